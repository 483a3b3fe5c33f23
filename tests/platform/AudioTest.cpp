#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

#include <thread>

#include "platform/AudioOutput.h"
#include "platform/AudioOutputAccess.h"
#include "platform/SquareWave.h"

namespace tw {
namespace {

using ::testing::FloatNear;
using ::testing::Pointwise;
constexpr float kAmplitude = SquareWave::kAmplitude;

std::vector<float> Samples(SquareWave wave)
{
    std::vector<float> samples;
    while (!wave.Finished()) {
        samples.push_back(wave.Next());
    }
    return samples;
}

// Half periods heard: changes of sign between non-zero samples.
int SignChanges(const std::vector<float>& samples)
{
    int changes = 0;
    float last = 0;
    for (float sample : samples) {
        changes += sample != 0 && last * sample < 0;
        last = sample != 0 ? sample : last;
    }
    return changes;
}

// No device plays this output, so the test renders it itself.
AudioOutput ClosedOutput() { return AudioOutput({"no-such-driver"}); }

// Renders `frames` in driver-sized blocks into a stereo pair that starts out
// holding `base`; gives back the left channel after checking the right.
std::vector<float> RenderBlocks(AudioOutput& output, int frames, float base)
{
    std::vector<float> left(static_cast<std::size_t>(frames), base), right = left;
    for (int at = 0; at < frames; at += 64) {
        float* out[2] = {left.data() + at, right.data() + at};
        output.Render(std::min(64, frames - at), 0, nullptr, 2, out);
    }
    EXPECT_EQ(left, right);
    return left;
}

// Periods of 23.97 and 54.55 samples: rounding them to whole samples would
// put these long tones audibly out of tune. Without a positive frequency and
// duration nothing is heard.
TEST(SquareWave, HasTheLengthAndPitchAskedFor)
{
    for (const auto [frequency, duration, rate, length] : {std::array{1840, 1000, 44100, 44100}, {880, 500, 48000, 24000},
                                                           {0, 100, 44100, 0}, {440, 0, 44100, 0}, {-5, -5, 44100, 0}}) {
        const std::vector<float> samples = Samples(SquareWave(frequency, duration, rate));
        EXPECT_EQ(static_cast<int>(samples.size()), length) << frequency << " Hz, " << duration << " ms";
        EXPECT_NEAR(SignChanges(samples), 2 * length * frequency / rate, 1) << frequency << " Hz";
    }
}

TEST(SquareWave, FadesInAndOutWithinItsRamps)
{
    for (int duration : {200, 5}) {
        const int ramp = SquareWave(440, duration, 44100).RampLength();
        const std::vector<float> samples = Samples(SquareWave(440, duration, 44100));
        const int length = static_cast<int>(samples.size());
        ASSERT_LE(ramp, length / 4) << "a short tone must still reach full height";
        for (int n = 0; n < length; ++n) {
            const float fade = static_cast<float>(std::min({n, length - 1 - n, ramp})) / static_cast<float>(ramp);
            ASSERT_LE(std::abs(samples[static_cast<std::size_t>(n)]), kAmplitude * fade + 1e-6f) << n;
        }
        EXPECT_FLOAT_EQ(std::abs(samples[static_cast<std::size_t>(length / 2)]), kAmplitude);
    }
}

// The synthesizer has nothing to play, so the buffers' own contents plus the
// tone come out, across blocks and past the tone's end. Its reverb adds a
// trace of DC against denormals, so "silent" is never quite 0.
TEST(AudioOutput, AddsTheToneToWhatTheSynthesizerRendered)
{
    AudioOutput output = ClosedOutput();
    const int rate = output.SampleRate();
    output.StartTone(440, 200);
    std::vector<float> heard = RenderBlocks(output, rate / 5 + 512, 0.25f), tone = Samples(SquareWave(440, 200, rate));
    ASSERT_EQ(tone.size(), static_cast<std::size_t>(rate / 5));
    std::ranges::for_each(heard, [](float& sample) { sample -= 0.25f; });
    tone.resize(heard.size());
    EXPECT_THAT(heard, Pointwise(FloatNear(1e-6f), tone));
    output.StartTone(0, 50);
    EXPECT_THAT(RenderBlocks(output, 256, 0), Pointwise(FloatNear(1e-6f), std::vector<float>(256, 0)));
}

// Where each tone starts: the sample before the first one heard after more
// than `gap` samples of silence (a tone fades in from 0).
std::vector<std::size_t> ToneStarts(const std::vector<float>& samples, std::size_t gap)
{
    std::vector<std::size_t> starts;
    std::size_t silentFor = gap + 1;
    for (std::size_t n = 1; n < samples.size(); ++n) {
        if (samples[n] == 0) {
            ++silentFor;
            continue;
        }
        if (silentFor > gap) {
            starts.push_back(n - 1);
        }
        silentFor = 0;
    }
    return starts;
}

// The device asks for large blocks; tones asked for while one plays keep
// their spacing in the next, rather than the last one replacing the rest, as
// the level-advance run of 5 ms tones needs.
TEST(AudioOutput, StartsEachToneWhereItWasAskedForOneBlockOn)
{
    AudioOutput output = ClosedOutput();
    const int rate = output.SampleRate();
    RenderBlocks(output, rate, 0); // the synth falls asleep, so only tones sound
    RenderBlocks(output, 64, 0);   // the block during which the tones are asked for
    output.StartTone(880, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    output.StartTone(1840, 5);
    std::vector<float> heard(static_cast<std::size_t>(rate), 0.0f), right = heard;
    float* out[2] = {heard.data(), right.data()};
    output.Render(rate, 0, nullptr, 2, out);

    const std::vector<std::size_t> starts = ToneStarts(heard, static_cast<std::size_t>(rate / 1000));
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_GE(starts[1] - starts[0], static_cast<std::size_t>(rate / 50)) << "20 ms apart at least";
    for (int i = 0; i < 2; ++i) {
        const std::vector<float> tone = Samples(SquareWave(i == 0 ? 880 : 1840, 5, rate));
        const auto begin = heard.begin() + static_cast<std::ptrdiff_t>(starts[static_cast<std::size_t>(i)]);
        EXPECT_THAT(std::vector<float>(begin, begin + static_cast<std::ptrdiff_t>(tone.size())),
                    Pointwise(FloatNear(1e-6f), tone)) << "tone " << i;
    }
}

// Nothing sounding costs nothing: the synth is no longer run once its reverb
// has died away (its trace of DC is gone too), until a song holds the output
// again. A tone alone does not wake it.
TEST(AudioOutput, RestsOnceNothingSoundsUntilAToneOrASong)
{
    AudioOutput output = ClosedOutput();
    const int rate = output.SampleRate();
    EXPECT_FALSE(output.Resting());
    RenderBlocks(output, rate * 6 / 10, 0);
    EXPECT_TRUE(output.Resting());
    EXPECT_THAT(RenderBlocks(output, 256, 0), Pointwise(FloatNear(0), std::vector<float>(256, 0)));

    output.StartTone(440, 50);
    RenderBlocks(output, 64, 0);
    EXPECT_FALSE(output.Resting());
    RenderBlocks(output, rate / 10, 0);
    EXPECT_TRUE(output.Resting());

    AudioOutputAccess::Hold(output);
    RenderBlocks(output, rate, 0);
    EXPECT_FALSE(output.Resting()) << "a song has rests of its own";
    AudioOutputAccess::Release(output);
    RenderBlocks(output, rate * 6 / 10, 0);
    EXPECT_TRUE(output.Resting());
}

TEST(AudioOutput, WithoutADeviceIsSilentAndBeepStillTakesItsTime)
{
    testing::internal::CaptureStderr();
    { AudioOutput defaultOutput; }
    AudioOutput output = ClosedOutput();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(output.IsOpen());
    for (int frequency : {440, 0}) {
        const auto start = std::chrono::steady_clock::now();
        output.Beep(frequency, 50);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50)) << frequency;
    }
}

} // namespace
} // namespace tw
