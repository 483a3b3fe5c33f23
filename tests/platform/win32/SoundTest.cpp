#include <gmock/gmock.h>

#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/MidiSequencer.h"
#include "platform/win32/AudioOutputSystems.h"
#include "platform/win32/SleepCalls.h"
#include "support/TestOutput.h"

namespace tw {

// Found by the test's printer next to SongEnd itself.
static void PrintTo(SongEnd end, std::ostream* out) { *out << (end == SongEnd::Played ? "played" : "failed"); }

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::ElementsAre;

// With no device the game keeps its pace; that silence takes a tone's time
// too, the portable tone test shows.
TEST(WaveOutTone, BeepTakesItsDurationWithOrWithoutADevice)
{
    const struct { const char* what; AudioOutput::SoundSystems systems; int frequency, duration; } cases[] = {
        {"no device", {{}}, 440, 200},
        {"the system's device", {}, 440, 200},
    };
    for (const auto& [what, systems, frequency, duration] : cases) {
        AudioOutput output(systems);
        const auto start = Clock::now();
        output.Beep(frequency, duration);
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
        EXPECT_TRUE(took >= duration && took < duration + 40) << what << ": " << took << " ms";
        if (systems.devices.empty() || std::getenv("PULSE_SERVER")) {
            EXPECT_EQ(output.IsOpen(), !systems.devices.empty()) << what;
        }
    }
}

std::vector<std::string> calls;
bool highResolution;
template <typename Result> Result Note(const std::string& call, Result result) { return calls.push_back(call), result; }
const SleepCalls kRecording{
    .createTimer = [](auto, auto, DWORD flags, auto) {
        return Note(flags & kHighResolutionTimer ? "fine timer" : "timer", highResolution ? HANDLE(&calls) : nullptr);
    },
    .setTimer = [](auto, const LARGE_INTEGER* due, auto...) { return Note("set " + std::to_string(due->QuadPart), 1); },
    .wait = [](auto, auto) { return Note("wait", WAIT_OBJECT_0); },
    .closeHandle = [](auto) { return Note("close", 1); },
    .beginPeriod = [](UINT ms) { return Note("period " + std::to_string(ms), MMRESULT{}); },
    .endPeriod = [](UINT ms) { return Note("end " + std::to_string(ms), MMRESULT{}); },
    .sleep = [](DWORD ms) { Note("sleep " + std::to_string(ms), 0); },
};

// Windows rounds a plain wait up to its timer period, some 15.6 ms: a wait
// holds a finer timer only while it waits, its own high-resolution timer or
// where the system has none the 1 ms period, and nothing for no time at all.
TEST(Sleep, AsksForAFinerTimerOnlyWhileItWaits)
{
    const struct { bool highResolution; int ms; std::vector<std::string> calls; } cases[] = {
        {true, 5, {"fine timer", "set -50000", "wait", "close"}},
        {false, 10, {"fine timer", "period 1", "sleep 10", "end 1"}},
        {false, -3, {}},
    };
    const SleepCalls system = std::exchange(SleepCallsInUse(), kRecording);
    for (const auto& each : cases) {
        highResolution = each.highResolution;
        Sleep(each.ms);
        EXPECT_EQ(std::exchange(calls, {}), each.calls) << each.ms;
    }
    SleepCallsInUse() = system;
}

constexpr int kRecordingRate = 44100;

struct HeardTone {
    int frequency, duration, startMs;
};

// The recording as tones: runs of half periods of one length, in hertz and
// milliseconds; what lies between two tones (a switch, a fade) is too short
// to count as one.
std::vector<HeardTone> Tones(const std::vector<std::int16_t>& samples)
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
        while (last + 1 < crossings.size() && std::abs(crossings[last + 1] - crossings[last] - half) * 10 <= half) {
            ++last;
        }
        const int halves = static_cast<int>(last - first), span = crossings[last] - crossings[first];
        const int frequency = (halves * kRecordingRate + span) / (2 * span);
        const int duration = (span + span / halves) * 1000 / kRecordingRate;
        const int startMs = crossings[first] * 1000 / kRecordingRate;
        if (halves < 8) {
            continue; // too short to be a tone
        }
        // Wine's recording drops up to a few tens of milliseconds now and then.
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

// What the system's recording device hears from when it starts hearing, for
// `length` milliseconds in all, while `play` runs: under Wine, with the
// test's own sound server, what its null sink plays. Nothing without a
// device to play on or a server to record from.
std::optional<std::vector<HeardTone>> Heard(const AudioOutput& output, int length, const std::function<void()>& play)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(length) * kRecordingRate / 1000);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, kRecordingRate, kRecordingRate * 2, 2, 16, 0};
    HWAVEIN handle = nullptr;
    if (!output.IsOpen() || waveInOpen(&handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    WAVEHDR header{reinterpret_cast<LPSTR>(samples.data()), static_cast<DWORD>(2 * samples.size()), 0, 0, 0, 0, {}, 0};
    const auto close = [&header](HWAVEIN device) {
        waveInReset(device);
        waveInUnprepareHeader(device, &header, sizeof header);
        waveInClose(device);
    };
    const std::unique_ptr<HWAVEIN__, decltype(close)> closing(handle, close);
    waveInPrepareHeader(handle, &header, sizeof header);
    waveInAddBuffer(handle, &header, sizeof header);
    waveInStart(handle);
    // The sound server may take a second or more to start sending.
    MMTIME position{TIME_SAMPLES, {}};
    for (const auto deadline = Clock::now() + std::chrono::seconds(5);
         waveInGetPosition(handle, &position, sizeof position) != MMSYSERR_NOERROR || position.u.sample == 0;) {
        if (Clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    play();
    while (!(header.dwFlags & WHDR_DONE)) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    return Tones(samples);
}

void PrintTo(const HeardTone& tone, std::ostream* out)
{
    *out << tone.frequency << " Hz " << tone.duration << " ms at " << tone.startMs;
}

constexpr auto kNoServer = "no sound server to play to and record from (PULSE_SERVER unset, or no pulseaudio)";

// Within a `share`th of its pitch and `slack` milliseconds of its duration.
MATCHER_P4(ToneNear, frequency, share, duration, slack, "")
{
    return std::abs(arg.frequency - frequency) <= frequency / share && std::abs(arg.duration - duration) <= slack;
}

// A tone replaces the one still playing; after a second of silence the
// device closes, and wakes for the next tone.
TEST(WaveOutTone, IsHeardAtItsPitchForItsDurationReplacingTheOneBeforeAndAfterARest)
{
    AudioOutput output;
    const auto heard = Heard(output, 3000, [&] {
        std::this_thread::sleep_for(milliseconds(100));
        output.StartTone(440, 1000);
        EXPECT_FALSE(output.Resting());
        std::this_thread::sleep_for(milliseconds(100));
        output.Beep(660, 200);
        std::this_thread::sleep_for(milliseconds(1500));
        EXPECT_TRUE(output.Resting());
        output.Beep(880, 100);
    });
    if (!heard) {
        GTEST_SKIP() << kNoServer;
    }
    // Wine's recording drops up to some 30 ms now and then.
    ASSERT_THAT(*heard,
                ElementsAre(ToneNear(440, 100, 100, 25), ToneNear(660, 100, 200, 25), ToneNear(880, 100, 100, 25)));
    // The recording's own timeline loses a little here and there under Wine
    // (hundreds of milliseconds while nothing plays), so only the first two,
    // which follow each other, are timed against each other.
    EXPECT_NEAR((*heard)[1].startMs - (*heard)[0].startMs, 100, 35) << "the second follows straight on";
}

// Tones asked for one after another, each in the middle of a block, keep
// their spacing: none is lost to the next one asked for in the same block.
TEST(WaveOutTone, ARunOfShortTonesKeepsItsSpacing)
{
    // A fifth of each other apart, so that no two neighbours sound alike.
    constexpr int kTones = 10, kEach = 20;
    const auto frequency = [](int n) { return static_cast<int>(400 * std::pow(1.2, n)); };
    AudioOutput output;
    std::vector<testing::Matcher<HeardTone>> expected;
    const auto heard = Heard(output, 1200, [&] {
        const auto start = Clock::now();
        for (int n = 0; n < kTones; ++n) {
            output.StartTone(frequency(n), kEach);
            expected.push_back(ToneNear(frequency(n), 50, kEach, 6));
            std::this_thread::sleep_until(start + milliseconds(kEach * (n + 1)));
        }
    });
    if (!heard) {
        GTEST_SKIP() << kNoServer;
    }
    EXPECT_THAT(*heard, testing::ElementsAreArray(expected));
}

// CPU time of the whole process, all its threads, over two seconds of doing nothing else.
double IdleCpuMilliseconds()
{
    const auto cpu = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME ft) { return ULARGE_INTEGER{{ft.dwLowDateTime, ft.dwHighDateTime}}.QuadPart; };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 10'000.0;
    };
    const double before = cpu();
    std::this_thread::sleep_for(milliseconds(2000));
    return cpu() - before;
}

// A second after the last tone the device is closed: the output then costs
// no more than having none (a paused one cost 2% of a core under Wine).
TEST(WaveOutTone, CostsNothingOnceRested)
{
    const double without = IdleCpuMilliseconds();
    AudioOutput output;
    if (!output.IsOpen()) {
        GTEST_SKIP() << "no sound device";
    }
    output.Beep(440, 50);
    // A second of silence, what the device held of it, and its closing.
    std::this_thread::sleep_for(milliseconds(1800));
    const double rested = IdleCpuMilliseconds();
    EXPECT_LE(rested, without + 10.0) << "without a device " << without;
}

std::string Bytes(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A standard MIDI file of one quarter-second note, in a track of 12 bytes.
const std::string kSong = "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 0, 96}) + "MTrk" + Bytes({0, 0, 0, 12}) +
                          Bytes({0, 0x90, 60, 100, 48, 0x80, 60, 0, 0, 0xFF, 0x2F, 0});

std::string WriteSong(const std::string& name, const std::optional<std::string>& contents)
{
    const auto path = test::TestOutputPath(name);
    std::filesystem::remove(path);
    if (contents) {
        std::ofstream(path, std::ios::binary) << *contents;
    }
    return path.string();
}

// What is no song fails to open, as if missing; a song that opens can be
// asked for its port and played, even one whose track is cut off (it plays
// what it has; here, with no MIDI device, nothing) and then forgets its id.
// Ids that name no song are ignored when closed and refused otherwise.
TEST(MciSequencer, OpensSongsOnlyAndAnswersForOpenOnesOnly)
{
    AudioOutput output(AudioOutput::SoundSystems{{}});
    const auto sequencer = CreateMidiSequencer(output);
    int other = 0;
    ASSERT_EQ(sequencer->Open(WriteSong("other.mid", kSong), other), SequencerOk);
    const struct { const char* what; std::optional<std::string> contents; int opened; } cases[] = {
        {"missing", std::nullopt, SequencerFileNotFound},
        {"not a song", "not a song at all", SequencerFileNotFound},
        {"a track cut off", kSong.substr(0, 29), SequencerOk},
        {"a song", kSong, SequencerOk},
    };
    for (const auto& [what, contents, opened] : cases) {
        int id = 0;
        ASSERT_EQ(sequencer->Open(WriteSong("song.mid", contents), id), opened) << what;
        if (opened != SequencerOk) {
            continue;
        }
        EXPECT_EQ(sequencer->StatusPort(id), SequencerOk) << what;
        EXPECT_EQ(sequencer->Play(id, [](SongEnd) {}), SequencerOk) << what;
        sequencer->Close(id);
        EXPECT_EQ(sequencer->StatusPort(id), SequencerBadDevice) << what;
        EXPECT_EQ(sequencer->Play(id, [](SongEnd) {}), SequencerBadDevice) << what;
    }
    for (const int unknown : {0, 4242, 0xFFFF}) {
        sequencer->Close(unknown);
    }
    EXPECT_EQ(sequencer->StatusPort(other), SequencerOk) << "untouched by closing unknown ids";
}

// Wine has no MIDI device here, so its own notifications never come: the
// test posts them, as MCI would, to the sequencer's window. A song's end or
// failure counts, the first of them only; what the game's own stop or a new
// play brings (aborted, superseded) does not, nor anything said of a closed
// song. The handler may close the song and start the next, as the music
// does, and the next may get the closed id: what waited for the closed song
// must not reach it.
TEST(MciSequencer, ReportsOnceThatASongEndedOrFailedAndNothingOfAClosedOne)
{
    AudioOutput output(AudioOutput::SoundSystems{{}});
    const auto sequencer = CreateMidiSequencer(output);
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"TumblewickSongEnds", nullptr);
    ASSERT_NE(window, nullptr);
    const std::string file = WriteSong("ending.mid", kSong);
    enum Closing { Open, ClosedBeforeNotices, NextSongOnReport };
    using enum SongEnd;
    // What is posted for the song, then for the next song, and all that is reported.
    const struct { const char* what; Closing closing; std::vector<WPARAM> posted, toNext; std::vector<SongEnd> reported; } cases[] = {
        {"played to its end", Open, {MCI_NOTIFY_SUCCESSFUL}, {}, {Played}},
        {"failed", Open, {MCI_NOTIFY_FAILURE}, {}, {Failed}},
        {"stopped or played again", Open, {MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUPERSEDED}, {}, {}},
        {"failed, then ended", Open, {MCI_NOTIFY_FAILURE, MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}, {}, {Failed}},
        {"ended, then failed", Open, {MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}, {}, {Played}},
        {"closed, then failed", ClosedBeforeNotices, {MCI_NOTIFY_FAILURE}, {}, {}},
        {"ended, its failure waiting as the next song starts and ends", NextSongOnReport,
         {MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}, {MCI_NOTIFY_SUCCESSFUL}, {Played, Played}},
    };
    // All of them queued before the window takes any, as they come from MCI.
    const auto deliver = [window](const std::vector<WPARAM>& notices, int id) {
        for (const WPARAM flags : notices) {
            PostMessageW(window, MM_MCINOTIFY, flags, id);
        }
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
            DispatchMessageW(&message);
        }
    };
    for (const auto& [what, closing, posted, toNext, reported] : cases) {
        std::vector<SongEnd> ends;
        int id = 0, next = 0;
        ASSERT_EQ(sequencer->Open(file, id), SequencerOk) << what;
        ASSERT_EQ(sequencer->Play(id, [&](SongEnd end) {
            ends.push_back(end);
            if (closing == NextSongOnReport) {
                sequencer->Close(id);
                ASSERT_EQ(sequencer->Open(file, next), SequencerOk);
                EXPECT_EQ(sequencer->Play(next, [&](SongEnd end) { ends.push_back(end); }), SequencerOk);
            }
        }), SequencerOk) << what;
        if (closing == ClosedBeforeNotices) {
            sequencer->Close(id);
        }
        deliver(posted, id);
        deliver(toNext, next);
        EXPECT_EQ(ends, reported) << what;
        sequencer->Close(id);
        sequencer->Close(next);
    }
}

} // namespace
} // namespace tw
