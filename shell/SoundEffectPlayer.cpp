#include "shell/SoundEffectPlayer.h"

#include "platform/AudioOutput.h"
#include "platform/Sleep.h"

namespace tw {
namespace {

constexpr std::uint16_t kTimerChannel2 = 0x42;
constexpr std::uint16_t kTimerControl = 0x43;
constexpr std::uint16_t kSpeakerControl = 0x61;
// Channel 2, low byte then high byte, square-wave mode, binary count.
constexpr std::uint8_t kChannel2SquareWave = 0xB6;
// Timer gate and speaker data.
constexpr std::uint8_t kSpeakerOn = 0x03;
// Not quite the timer's 1193180 Hz, on purpose: the game's pitches are tuned
// to this value, so the speaker plays them as Beep does, within 0.3 %.
constexpr int kTimerClock = 1190000;

} // namespace

void SystemToneDevice::Beep(int frequency, int duration) { output.Beep(frequency, duration); }

void SystemToneDevice::Sleep(int milliseconds) { tw::Sleep(milliseconds); }

std::uint8_t SystemToneDevice::PortIn(std::uint16_t) { return 0; }

void SystemToneDevice::PortOut(std::uint16_t, std::uint8_t) {}

void SoundEffectPlayer::SoundEffect(int frequency, int duration, int on)
{
    if (on == 0) {
        // Silent, but the animation the tone paces keeps a tenth of its pace.
        device.Sleep(duration / 10);
    } else if (ntPlatform == 0) {
        SpeakerTone(frequency);
        device.Sleep(duration);
        SpeakerTone(0);
    } else {
        device.Beep(frequency, duration);
    }
}

void SoundEffectPlayer::SpeakerTone(int frequency)
{
    if (frequency != 0) {
        const int divisor = kTimerClock / frequency;
        device.PortOut(kTimerControl, kChannel2SquareWave);
        device.PortOut(kTimerChannel2, static_cast<std::uint8_t>(divisor & 0xFF));
        device.PortOut(kTimerChannel2, static_cast<std::uint8_t>((divisor >> 8) & 0xFF));
        device.PortOut(kSpeakerControl, static_cast<std::uint8_t>(device.PortIn(kSpeakerControl) | kSpeakerOn));
    } else {
        device.PortOut(kSpeakerControl, static_cast<std::uint8_t>(device.PortIn(kSpeakerControl) & ~kSpeakerOn));
    }
}

} // namespace tw
