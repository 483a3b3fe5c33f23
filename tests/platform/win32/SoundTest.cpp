#include <gmock/gmock.h>

#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
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
#include "platform/ToneOutputDriver.h"
#include "support/MidiSongs.h"

namespace tw {

// Found by the test's printer next to SongEnd itself.
static void PrintTo(SongEnd end, std::ostream* out) { *out << (end == SongEnd::Played ? "played" : "failed"); }

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

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

} // namespace

std::unique_ptr<AudioOutput> test::OutputWithoutADevice()
{
    return std::make_unique<AudioOutput>(AudioOutput::SoundSystems{{}});
}

// The system's device, where the test's own sound server lets the test hear it.
std::unique_ptr<AudioOutput> test::HeardOutput()
{
    return std::getenv("PULSE_SERVER") ? std::make_unique<AudioOutput>() : nullptr;
}

// What the system's recording device hears: under Wine, with the test's own
// sound server, what its null sink plays.
std::optional<std::vector<std::int16_t>> test::Record(AudioOutput& output, int length, const std::function<void()>& play)
{
    const int rate = output.SampleRate();
    std::vector<std::int16_t> samples(static_cast<std::size_t>(length) * rate / 1000);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, DWORD(rate), DWORD(rate * 2), 2, 16, 0};
    HWAVEIN handle = nullptr;
    if (waveInOpen(&handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
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
    return samples;
}

namespace {

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
    if (!std::getenv("PULSE_SERVER")) {
        GTEST_SKIP() << "no sound server";
    }
    ASSERT_TRUE(output.IsOpen());
    output.Beep(440, 50);
    // A second of silence, what the device held of it, and its closing.
    std::this_thread::sleep_for(milliseconds(1800));
    const double rested = IdleCpuMilliseconds();
    EXPECT_LE(rested, without + 10.0) << "without a device " << without;
}

// One quarter-second note.
const std::string kSong = test::Song({0, 0x90, 60, 100, 48, 0x80, 60, 0});

std::string WriteSong(const std::string& name, const std::optional<std::string>& contents)
{
    if (contents) {
        return test::WriteSong(name, *contents);
    }
    std::filesystem::remove(test::TestOutputPath(name));
    return test::TestOutputPath(name).string();
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
