#include "shell/SoundEffectPlayer.h"

#include "platform/AudioOutput.h"
#include "platform/Sleep.h"

namespace tw {

void SystemToneDevice::Beep(int frequency, int duration) { output.Beep(frequency, duration); }

void SystemToneDevice::Sleep(int milliseconds) { tw::Sleep(milliseconds); }

void SoundEffectPlayer::SoundEffect(int frequency, int duration, int on)
{
    if (on == 0) {
        // Silent, but the animation the tone paces keeps a tenth of its pace.
        device.Sleep(duration / 10);
    } else {
        device.Beep(frequency, duration);
    }
}

} // namespace tw
