#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/SquareWave.h"
#include "platform/ToneOutputDriver.h"

// What the tone output must do for the game, whichever backend plays it:
// each backend's test program runs these cases through its own driver. What
// only one backend does is tested beside its driver.
namespace tw {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Periods of 23.97 and 54.55 samples: rounding them to whole samples would
// put these long tones audibly out of tune. Both ends fade within their ramps,
// as a square wave switched on or off at full height clicks, yet a 5 ms tone
// still reaches full height. Without a positive frequency nothing is heard
// (a duration that is not positive leaves no samples to hear).
TEST(SquareWave, HasThePitchLengthAndFadesAskedFor)
{
    for (const auto [frequency, duration, rate, length] :
         {std::array{1840, 1000, 44100, 44100}, {880, 500, 48000, 24000}, {440, 5, 44100, 220}, {0, 100, 44100, 0}}) {
        SCOPED_TRACE(std::to_string(frequency) + " Hz, " + std::to_string(duration) + " ms");
        SquareWave wave(frequency, duration, rate);
        const int ramp = wave.RampLength();
        int halfPeriods = 0, fullHeight = 0, n = 0; // changes of sign (only the ends are 0), samples at full height
        for (float before = 0; !wave.Finished(); ++n) {
            const float sample = wave.Next();
            const int fade = std::min({n, length - 1 - n, ramp});
            ASSERT_LE(std::abs(sample), SquareWave::kAmplitude * static_cast<float>(fade) / ramp + 1e-6f) << n;
            halfPeriods += sample * before < 0;
            fullHeight += std::abs(sample) == SquareWave::kAmplitude;
            before = sample;
        }
        ASSERT_EQ(n, length);
        EXPECT_NEAR(halfPeriods, 2 * length * frequency / rate, 1);
        EXPECT_EQ(fullHeight > 0, length > 0);
    }
}

// With or without a device the game keeps its pace: a beep, even a silent
// one, takes its time and little more. A loaded machine may hold up a beep
// now and then, so one that took too long is tried again, up to three times.
TEST(ToneOutput, BeepTakesItsDurationWithOrWithoutADevice)
{
    for (const auto& output : {test::OutputWithoutADevice(), test::HeardOutput()}) {
        for (const int frequency : {440, 0}) {
            for (long took = 240, attempt = 0; output && took >= 240; ++attempt) {
                const auto start = Clock::now();
                output->Beep(frequency, 200);
                took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
                ASSERT_TRUE(took >= 200 && (took < 240 || attempt < 2)) << frequency << " Hz took " << took << " ms";
            }
        }
    }
}

struct HeardTone {
    int frequency, duration, startMs;
};
void PrintTo(const HeardTone& tone, std::ostream* out) { *out << tone.frequency << " Hz " << tone.duration << " ms at " << tone.startMs; }

// The recording as tones: runs of half periods of one length (give or take a
// sample), in hertz and milliseconds; what lies between two tones (a switch,
// a fade) is too short to count as one.
std::vector<HeardTone> Tones(const std::vector<std::int16_t>& samples, int rate)
{
    constexpr int kQuiet = 50;
    std::vector<int> crossings;
    for (int n = 0, sign = 0; n < std::ssize(samples); ++n) {
        const int now = samples[n] > kQuiet ? 1 : samples[n] < -kQuiet ? -1 : 0;
        if (now != 0 && now != sign) {
            crossings.push_back(n);
            sign = now;
        }
    }
    std::vector<HeardTone> tones;
    for (std::size_t first = 0, last = 1; last < crossings.size(); first = last++) {
        const int half = crossings[last] - crossings[first];
        while (last + 1 < crossings.size() && std::abs(crossings[last + 1] - crossings[last] - half) * 10 <= std::max(half, 10)) {
            ++last;
        }
        const int halves = static_cast<int>(last - first), span = crossings[last] - crossings[first];
        if (halves < 8) {
            continue; // too short to be a tone
        }
        const int frequency = (halves * rate + span) / (2 * span), duration = (span + span / halves) * 1000 / rate;
        const int startMs = crossings[first] * 1000 / rate;
        // A recording may drop up to a few tens of milliseconds now and then
        // (Wine's does).
        if (HeardTone* before = tones.empty() ? nullptr : &tones.back();
            before && std::abs(before->frequency - frequency) * 50 < frequency &&
            startMs - before->startMs - before->duration < 30) {
            before->duration = startMs + duration - before->startMs;
        } else {
            tones.push_back({frequency, duration, startMs});
        }
    }
    return tones;
}

// Within a `share`th of its pitch and `slack` milliseconds of its duration.
MATCHER_P4(ToneNear, frequency, share, duration, slack, "")
{
    return std::abs(arg.frequency - frequency) <= frequency / share && std::abs(arg.duration - duration) <= slack;
}

// A tone replaces the one still playing; once nothing sounds the output
// rests, and wakes for the next tone. Tones asked for one after another,
// several within one of the device's blocks, keep their spacing: none is
// lost to the next one asked for in the same block, as the level-advance run
// of short tones needs.
TEST(ToneOutput, IsHeardAtItsPitchForItsDurationReplacingTheOneBeforeAndAfterARestAndKeepsARunsSpacing)
{
    // A fifth of each other apart, so that no two neighbours sound alike.
    constexpr int kTones = 10, kEach = 20;
    const auto frequency = [](int n) { return static_cast<int>(400 * std::pow(1.2, n)); };
    std::vector<testing::Matcher<HeardTone>> expected;
    long apart = 0; // from the first tone to the one replacing it, as the test's own thread managed
    const auto output = test::HeardOutput();
    const auto samples = output ? test::Record(*output, 3000, [&] {
        std::this_thread::sleep_for(milliseconds(100));
        const auto first = Clock::now();
        output->StartTone(440, 1000);
        EXPECT_FALSE(output->Resting()) << "a tone is due";
        std::this_thread::sleep_for(milliseconds(100));
        EXPECT_FALSE(output->Resting()) << "a tone sounds";
        apart = std::chrono::duration_cast<milliseconds>(Clock::now() - first).count();
        output->Beep(660, 200);
        expected = {ToneNear(440, 100, apart, 25), ToneNear(660, 100, 200, 25)};
        std::this_thread::sleep_for(milliseconds(1500));
        EXPECT_TRUE(output->Resting());
        // Each a whole tone's length after the last, even where the thread
        // was held up: a late thread catching up would ask for two at once.
        for (int n = 0; n < kTones; ++n) {
            output->StartTone(frequency(n), kEach);
            expected.push_back(ToneNear(frequency(n), 50, kEach, 9));
            std::this_thread::sleep_for(milliseconds(kEach));
        }
    }) : std::nullopt;
    if (!samples) {
        GTEST_SKIP() << "no device whose sound this test can hear";
    }
    const std::vector<HeardTone> heard = Tones(*samples, output->SampleRate());
    ASSERT_THAT(heard, testing::ElementsAreArray(expected));
    // A recording's own timeline may lose a little while nothing plays (Wine's
    // does), so only the first two, which follow each other, are timed.
    EXPECT_NEAR(heard[1].startMs - heard[0].startMs, apart, 35) << "the second follows straight on";
}

} // namespace
} // namespace tw
