// How long a sound takes to be heard, from the moment the game asks for it
// to the moment it reaches the sound server's null sink, read back through
// the sink's monitor: a tone after the output has rested, one in a run of
// tones, the first note of a song started after silence, and the gap when a
// song replaces one playing. Run it under bench/sound-latency.sh, which
// starts a server of its own; the monitor's own delay is in every figure
// alike, so compare two builds side by side rather than read the figures as
// absolute.

#include <pulse/simple.h>

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/MidiSequencer.h"

namespace {

using Clock = std::chrono::steady_clock;

void Pump(std::chrono::milliseconds time)
{
    const auto end = Clock::now() + time;
    while (Clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Reads the monitor a millisecond at a time and notes when it first hears
// more than silence after being armed.
class Listener {
public:
    explicit Listener(const std::string& monitor)
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
        const pa_buffer_attr attributes{std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1),
                                        kFrames * 2};
        int error = 0;
        stream = pa_simple_new(nullptr, "tone-latency", PA_STREAM_RECORD, monitor.c_str(), "monitor", &format,
                               nullptr, &attributes, &error);
        if (stream) {
            thread = std::jthread([this](const std::stop_token& stop) { Run(stop); });
        }
    }
    ~Listener()
    {
        if (thread.joinable()) {
            thread.request_stop();
            thread.join();
        }
        if (stream) {
            pa_simple_free(stream);
        }
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool Works() const { return stream != nullptr; }
    // The next three seconds as one mark per 50 ms: '#' where any of it
    // was loud, '.' where all was quiet.
    std::string Trace()
    {
        traced.store(0);
        while (traced.load() < trace.size()) {
            Pump(std::chrono::milliseconds(10));
        }
        std::string marks;
        for (std::size_t at = 0; at < trace.size(); at += 50) {
            marks += std::any_of(trace.begin() + long(at), trace.begin() + long(at + 50), [](bool l) { return l; }) ? '#' : '.';
        }
        return marks;
    }
    void Arm() { heardAt.store(0); }
    // Nanoseconds of the steady clock when the tone was heard, 0 until then.
    std::int64_t HeardAt() const { return heardAt.load(); }

private:
    static constexpr std::uint32_t kRate = 48000;
    static constexpr std::uint32_t kFrames = kRate / 1000;

    void Run(const std::stop_token& stop)
    {
        std::array<std::int16_t, kFrames> samples{};
        int error = 0;
        while (!stop.stop_requested() && pa_simple_read(stream, samples.data(), sizeof samples, &error) >= 0) {
            const auto loudest = std::ranges::max(samples, {}, [](std::int16_t s) { return std::abs(int(s)); });
            const bool loud = std::abs(int(loudest)) > 1000;
            if (const std::size_t at = traced.load(); at < trace.size()) {
                trace[at] = loud;
                traced.store(at + 1);
            }
            if (loud && heardAt.load() == 0) {
                heardAt.store(Clock::now().time_since_epoch().count());
            }
        }
    }

    pa_simple* stream = nullptr;
    std::atomic<std::int64_t> heardAt{-1};
    std::array<bool, 3000> trace{};
    std::atomic<std::size_t> traced{3000};
    std::jthread thread;
};

// Milliseconds from asking to hearing, one per time; negative: never heard.
std::vector<double> Delays(Listener& listener, int times, std::chrono::milliseconds restBefore,
                           const std::function<void()>& ask, const std::function<void()>& after = [] {})
{
    std::vector<double> delays;
    for (int time = 0; time < times; ++time) {
        Pump(restBefore);
        listener.Arm();
        const auto asked = Clock::now();
        ask();
        while (listener.HeardAt() == 0 && Clock::now() - asked < std::chrono::seconds(5)) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const std::int64_t heard = listener.HeardAt();
        delays.push_back(heard > 0 ? double(heard - asked.time_since_epoch().count()) / 1e6 : -1);
        after();
    }
    return delays;
}

void Report(const char* what, std::vector<double> delays)
{
    std::ranges::sort(delays);
    const auto missed = std::ranges::count(delays, -1.0);
    std::erase(delays, -1.0);
    if (delays.empty()) {
        std::printf("| %-36s | never heard |\n", what);
        return;
    }
    std::printf("| %-36s | %6.1f | %6.1f | %6.1f | %zu heard, %td missed |\n", what, delays.front(),
                delays[delays.size() / 2], delays.back(), delays.size(), missed);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv); // the output's rest is checked on the event loop
    const char* monitor = std::getenv("BENCH_MONITOR");
    Listener listener(monitor ? monitor : "null.monitor");
    if (!listener.Works()) {
        std::fprintf(stderr, "cannot record the sink's monitor\n");
        return 1;
    }
    tw::AudioOutput output;
    if (!output.IsOpen()) {
        std::fprintf(stderr, "no sound server\n");
        return 1;
    }
    const int times = argc > 1 ? std::atoi(argv[1]) : 15;
    const auto tone = [&output] { output.StartTone(880, 60); };
    std::printf("| ms from asking to hearing %-10s | least | median | most | |\n", "");
    Report("a tone after the output rested 3 s", Delays(listener, times, std::chrono::milliseconds(3000), tone));
    Report("a tone in a run, 150 ms apart", Delays(listener, times, std::chrono::milliseconds(150), tone));
    if (argc > 2) {
        // The first song also reads the SoundFont; only the ones after it count.
        const std::unique_ptr<tw::MidiSequencer> sequencer = tw::CreateMidiSequencer(output);
        int song = 0;
        const auto play = [&] {
            sequencer->Open(argv[2], song);
            sequencer->Play(song, [](tw::SongEnd) {});
        };
        const auto stop = [&] { sequencer->Close(song); };
        Delays(listener, 1, std::chrono::milliseconds(0), play, stop);
        Report("a song after 3 s of silence", Delays(listener, std::max(1, times / 3), std::chrono::milliseconds(3000), play, stop));
        // A new game while a song plays: the song stops and the next starts.
        // The last one's release sounds on at first, so the gap is shown.
        play();
        Pump(std::chrono::milliseconds(2000));
        stop();
        play();
        std::printf("after a song replaced one playing, 50 ms a mark: %s\n", listener.Trace().c_str());
        stop();
    }
    return 0;
}
