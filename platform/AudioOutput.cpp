#include "platform/AudioOutput.h"

#include <chrono>

#include "platform/Sleep.h"

namespace tw {

void AudioOutput::Beep(int frequency, int duration)
{
    const auto start = std::chrono::steady_clock::now();
    StartTone(frequency, duration);
    // Reopening a resting stream is part of the tone's time, not added to it.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    Sleep(duration - static_cast<int>(spent.count()));
}

void AudioOutput::StartTone(int frequency, int duration)
{
    if (frequency > 0 && duration > 0) {
        QueueTone(frequency, duration);
    }
}

} // namespace tw
