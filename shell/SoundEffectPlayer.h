#pragma once

#include "model/SoundEffects.h"

namespace tw {

class AudioOutput;

// What the sound effects need from the machine: the system's tone and a wait.
class ToneDevice {
public:
    virtual ~ToneDevice() = default;
    virtual void Beep(int frequency, int duration) = 0;
    virtual void Sleep(int milliseconds) = 0;
};

// The real machine: tones go to the audio output.
class SystemToneDevice : public ToneDevice {
public:
    explicit SystemToneDevice(AudioOutput& output) : output(output) {}
    void Beep(int frequency, int duration) override;
    void Sleep(int milliseconds) override;

private:
    AudioOutput& output;
};

// The game's sound effects. GUI thread only; every call blocks for its tone.
class SoundEffectPlayer : public SoundEffects {
public:
    explicit SoundEffectPlayer(ToneDevice& device) : device(device) {}

    void SoundEffect(int frequency, int duration, int on) override;

private:
    ToneDevice& device;
};

} // namespace tw
