#include <gmock/gmock.h>

#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/MidiSequencerDriver.h"
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

// Wine has no MIDI device here, so MCI's own notifications never come: the
// tests post them, as MCI would, to the sequencer's window, all of them queued
// before the window takes any.
void Notify(const std::vector<WPARAM>& notices, int id)
{
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"TumblewickSongEnds", nullptr);
    for (const WPARAM flags : notices) {
        PostMessageW(window, MM_MCINOTIFY, flags, id);
    }
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        DispatchMessageW(&message);
    }
}

// The contract's songs hear at their end what MCI may say of a song: that it
// played through, and then that it failed. The failure still waiting when the
// handler closes the song must not reach the next song, which may get its id.
struct MciDriver final : test::SequencerDriver {
    MidiSequencer& Sequencer() override { return *sequencer; }
    void Wait() override { Notify({}, 0); }
    void PlayOut(int id) override { Notify({MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}, id); }

    AudioOutput output{AudioOutput::SoundSystems{{}}};
    const std::unique_ptr<MidiSequencer> sequencer = CreateMidiSequencer(output);
};

// A song whose track is cut off opens and plays what it has (here, with no
// MIDI device, nothing). A song's failure counts as its end does, the first of
// them only; what the game's own stop or a new play brings (aborted,
// superseded) does not.
TEST(MciSequencer, PlaysCutOffSongsAndReportsTheFirstEndOrFailure)
{
    MciDriver driver;
    MidiSequencer& sequencer = driver.Sequencer();
    int id = 0;
    ASSERT_EQ(sequencer.Open(test::WriteSong("cut-off.mid", test::kQuarterNote.substr(0, 29)), id), SequencerOk);
    EXPECT_EQ(sequencer.StatusPort(id), SequencerOk);
    EXPECT_EQ(sequencer.Play(id, [](SongEnd) {}), SequencerOk);
    sequencer.Close(id);
    using enum SongEnd;
    const struct { std::vector<WPARAM> posted; std::vector<SongEnd> reported; } cases[] = {
        {{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUPERSEDED}, {}},
        {{MCI_NOTIFY_FAILURE, MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}, {Failed}},
    };
    const std::string file = test::WriteSong("ending.mid", test::kQuarterNote);
    for (const auto& [posted, reported] : cases) {
        std::vector<SongEnd> ends;
        ASSERT_EQ(sequencer.Open(file, id), SequencerOk);
        ASSERT_EQ(sequencer.Play(id, [&](SongEnd end) { ends.push_back(end); }), SequencerOk);
        Notify(posted, id);
        EXPECT_EQ(ends, reported) << posted.size() << " notices";
        sequencer.Close(id);
    }
}

} // namespace

std::unique_ptr<test::SequencerDriver> test::SequencerWithoutADevice() { return std::make_unique<MciDriver>(); }

std::unique_ptr<AudioOutput> test::OutputWithoutADevice() { return std::make_unique<AudioOutput>(AudioOutput::SoundSystems{{}}); }

// The system's device, where the test's own sound server lets the test hear it.
std::unique_ptr<AudioOutput> test::HeardOutput() { return std::getenv("PULSE_SERVER") ? std::make_unique<AudioOutput>() : nullptr; }

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

} // namespace tw
