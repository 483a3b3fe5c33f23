#include "platform/SquareWave.h"

#include <algorithm>

namespace tw {

SquareWave::SquareWave(int frequency, int durationMs, int sampleRate)
    : frequency(frequency), sampleRate(std::max(sampleRate, 1))
{
    if (frequency <= 0 || durationMs <= 0 || sampleRate <= 0) {
        return;
    }
    length = static_cast<int>(std::int64_t{durationMs} * sampleRate / 1000);
    // A quarter of the tone at most on each side keeps a 5 ms tone audible.
    ramp = std::max(1, std::min(sampleRate * kRampMilliseconds / 1000, length / 4));
}

float SquareWave::Next()
{
    if (position >= length) {
        return 0.0f;
    }
    const int fromEnd = length - 1 - position;
    const float envelope = std::min({1.0f, static_cast<float>(position) / static_cast<float>(ramp),
                                     static_cast<float>(fromEnd) / static_cast<float>(ramp)});
    const float level = 2 * phase < sampleRate ? kAmplitude : -kAmplitude;
    ++position;
    phase = (phase + frequency) % sampleRate;
    return level * envelope;
}

void SquareWave::MixInto(float* const* channels, int channelCount, int begin, int end)
{
    for (int frame = begin; frame < end && !Finished(); ++frame) {
        const float sample = Next();
        for (int channel = 0; channel < channelCount; ++channel) {
            channels[channel][frame] += sample;
        }
    }
}

} // namespace tw
