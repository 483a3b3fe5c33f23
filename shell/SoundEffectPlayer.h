#pragma once

#include <cstdint>

#include "model/SoundEffects.h"

namespace tw {

class AudioOutput;

// What the sound effects need from the machine: the system's tone, a wait,
// and byte-wide I/O ports for driving the PC speaker by hand.
class ToneDevice {
public:
    virtual ~ToneDevice() = default;
    virtual void Beep(int frequency, int duration) = 0;
    virtual void Sleep(int milliseconds) = 0;
    virtual std::uint8_t PortIn(std::uint16_t port) = 0;
    virtual void PortOut(std::uint16_t port, std::uint8_t value) = 0;
};

// The real machine. Tones go to the audio output. Programs here cannot reach
// the speaker's ports, so reads give 0 and writes are dropped; the game never
// comes to them, since this platform always reports the NT flavour.
class SystemToneDevice : public ToneDevice {
public:
    explicit SystemToneDevice(AudioOutput& output) : output(output) {}
    void Beep(int frequency, int duration) override;
    void Sleep(int milliseconds) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void PortOut(std::uint16_t port, std::uint8_t value) override;

private:
    AudioOutput& output;
};

// The game's sound effects. GUI thread only; every call blocks for its tone.
class SoundEffectPlayer : public SoundEffects {
public:
    explicit SoundEffectPlayer(ToneDevice& device) : device(device) {}

    void SoundEffect(int frequency, int duration, int on) override;

    // Switches the PC speaker to `frequency` Hz, or off for 0, by programming
    // channel 2 of the interval timer.
    void SpeakerTone(int frequency);

    // 1 when the system is of the NT flavour, which makes tones with Beep
    // instead of the speaker ports. 0 until start-up asks the system: the
    // application's InitInstance sets it right after showing the main window
    // (to 1 on this platform).
    std::int32_t ntPlatform = 0;

private:
    ToneDevice& device;
};

} // namespace tw
