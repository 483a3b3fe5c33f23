#pragma once

#include <cstdint>

namespace tw {

// One square-wave tone as samples. Pure arithmetic, so the audio thread can
// make and run one without allocating, and tests can look at every sample.
//
// The edges fall on whole samples but the phase is kept exactly (as a count
// of frequency steps modulo the sample rate), so a tone of any frequency keeps
// its true pitch over its length. Both ends fade linearly over a few
// milliseconds: a square wave switched on or off at full height clicks.
class SquareWave {
public:
    // Loud enough to hear over music, well short of clipping once mixed.
    static constexpr float kAmplitude = 0.2f;
    static constexpr int kRampMilliseconds = 3;

    // A tone that has already ended.
    SquareWave() = default;
    // Nothing is heard when the frequency or the duration is not positive.
    SquareWave(int frequency, int durationMs, int sampleRate);

    // duration × rate / 1000 samples, counted from the start.
    int Length() const { return length; }
    // Samples over which each end fades; shortened for very short tones so
    // that they still reach full height in the middle.
    int RampLength() const { return ramp; }
    bool Finished() const { return position >= length; }

    // The next sample; 0 once the tone has ended.
    float Next();

    // Adds the next samples to frames [begin, end) of each of `channelCount`
    // buffers.
    void MixInto(float* const* channels, int channelCount, int begin, int end);

private:
    int frequency = 0;
    int sampleRate = 1;
    int length = 0;
    int ramp = 1;
    int position = 0;
    // frequency × position modulo sampleRate: where in its period the wave is.
    std::int64_t phase = 0;
};

} // namespace tw
