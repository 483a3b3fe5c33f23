#include "platform/AudioOutput.h"

// Tones are our own square wave played through waveOut, not Beep: Beep gives
// no way to replace a tone that still sounds or to start one without
// waiting, it is silent under Wine (so nothing could show the tones right),
// and on many machines it is played through the sound card anyway.

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "platform/ToneMixer.h"
#include "platform/win32/AudioOutputSystems.h"

namespace tw {
namespace {

// The rate the usual sound server and most cards run at, so nothing on the
// way converts it.
constexpr int kSampleRate = 44100;
// About 23 ms: a tone starts at most a block or two after it was asked for.
constexpr int kBlockFrames = 1024;
// About 90 ms in all: under Wine the system copies blocks into buffers of
// its own as soon as it can, and a thread of ours woken late must not be heard.
constexpr int kBlocks = 4;
// After this much silence the device is closed until the next tone, so an
// idle game wakes no thread at all.
constexpr int kRestFrames = kSampleRate;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A waveOut device and its blocks, opened and closed again without
// allocating anything of ours. While open, every block done sets the event.
class WaveOutDevice {
public:
    explicit WaveOutDevice(HANDLE blockDone) : blockDone(blockDone)
    {
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = kSampleRate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        for (int block = 0; block < kBlocks; ++block) {
            headers[block].lpData = reinterpret_cast<LPSTR>(samples[block].data());
            headers[block].dwBufferLength = sizeof samples[block];
        }
    }
    ~WaveOutDevice() { Close(); }
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    bool Open(unsigned id)
    {
        if (waveOutOpen(&handle, id, &format, reinterpret_cast<DWORD_PTR>(blockDone), 0, CALLBACK_EVENT) !=
            MMSYSERR_NOERROR) {
            handle = nullptr;
            return false;
        }
        for (WAVEHDR& header : headers) {
            header.dwFlags = 0;
            if (waveOutPrepareHeader(handle, &header, sizeof header) != MMSYSERR_NOERROR) {
                Close();
                return false;
            }
        }
        return true;
    }
    void Close()
    {
        if (!handle) {
            return;
        }
        // Reset first: a block the device holds cannot be unprepared.
        waveOutReset(handle);
        for (WAVEHDR& header : headers) {
            if (header.dwFlags & WHDR_PREPARED) {
                waveOutUnprepareHeader(handle, &header, sizeof header);
            }
        }
        waveOutClose(handle);
        handle = nullptr;
    }
    bool IsOpen() const { return handle != nullptr; }

    // The device fills in the flags from a thread of its own.
    bool Free(int block) const
    {
        return !(std::atomic_ref(headers[block].dwFlags).load(std::memory_order_acquire) & WHDR_INQUEUE);
    }
    std::int16_t* Samples(int block) { return samples[block].data(); }
    void Write(int block) { waveOutWrite(handle, &headers[block], sizeof headers[block]); }

private:
    HANDLE blockDone;
    WAVEFORMATEX format{};
    HWAVEOUT handle = nullptr;
    std::array<WAVEHDR, kBlocks> headers{};
    std::array<std::array<std::int16_t, kBlockFrames>, kBlocks> samples{};
};

} // namespace

struct AudioOutput::Impl {
    // Auto-reset: set by the device for each block done and by the GUI
    // thread for each tone and at the end.
    UniqueHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    WaveOutDevice device{wake.get()};
    // The device that opened at the start; none: the output stays closed.
    std::optional<unsigned> deviceId;
    // Pushed to by the GUI thread; otherwise the renderer's.
    ToneMixer tones;
    std::atomic<bool> resting{true};
    std::atomic<bool> stopping{false};

    // The renderer's own: nothing else touches them while it runs.
    // When the device last started, and what it was given since.
    std::int64_t streamStartNs = 0;
    std::int64_t framesRendered = 0;
    // How far, in frames, what was rendered has ever been ahead of the
    // clock: what the device buffers, learnt in its first second and kept,
    // so that tones keep their spacing from the first block on.
    std::int64_t lead = 0;
    int silentFrames = 0;
    std::array<float, kBlockFrames> mix{};

    // Declared last, so that it has stopped before anything it renders with goes.
    std::thread renderer;

    explicit Impl(const SoundSystems& systems)
    {
        for (const unsigned id : systems.devices) {
            if (wake && device.Open(id)) {
                deviceId = id;
                break;
            }
        }
        if (deviceId) {
            renderer = std::thread([this] { Run(); });
        }
    }
    ~Impl()
    {
        if (renderer.joinable()) {
            stopping.store(true, std::memory_order_release);
            SetEvent(wake.get());
            renderer.join();
        }
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Run();
    void Feed();
    void RenderBlock(std::int16_t* samples);
};

// The renderer's thread: no locks and no allocation of ours; between blocks
// it waits for the device or for a tone, and not at all while the device is
// closed. Opening and closing the device, which the system may allocate and
// lock for, happen here too, but only where nothing sounds.
void AudioOutput::Impl::Run()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (!stopping.load(std::memory_order_acquire)) {
        Feed();
        WaitForSingleObject(wake.get(), INFINITE);
    }
}

void AudioOutput::Impl::Feed()
{
    if (!device.IsOpen()) {
        if (!tones.Sounding()) {
            return;
        }
        silentFrames = 0;
        if (!device.Open(*deviceId)) {
            // Gone since the start (unplugged, say): the tones are dropped.
            tones.Clear();
            resting.store(true, std::memory_order_release);
            return;
        }
    }
    // A device given nothing to play (at the start, after a rest, or after
    // this thread came late) starts its clock anew with the next block.
    bool starved = true;
    for (int block = 0; block < kBlocks; ++block) {
        starved = starved && device.Free(block);
    }
    if (starved) {
        // A tone that waited for the device to open counts from when it
        // was asked for, and those asked for after it keep their distance.
        const ToneRequest* waiting = tones.Waiting();
        streamStartNs = waiting ? waiting->requestedNs : SteadyNanoseconds();
        framesRendered = 0;
    }
    int held = 0;
    for (int block = 0; block < kBlocks; ++block) {
        if (!device.Free(block)) {
            ++held;
        } else if (silentFrames < kRestFrames || tones.Sounding()) {
            RenderBlock(device.Samples(block));
            device.Write(block);
            ++held;
        }
    }
    // Rested long enough, and the device has played out what it held. A
    // paused waveOut device still wakes threads of the system's many times
    // a second; a closed one costs nothing, and reopens in milliseconds.
    if (held == 0) {
        device.Close();
    }
}

// The device takes blocks in bursts (all of them when it starts, and more
// while the system fills buffers of its own), so the time a block is
// rendered says little of when it is heard. Tones are placed on the stream's
// own clock instead, behind the moment they were asked for by as much as the
// stream has run ahead of the wall clock, plus a block: a run of short tones
// keeps its spacing.
void AudioOutput::Impl::RenderBlock(std::int16_t* samples)
{
    mix.fill(0.0f);
    float* channels[1] = {mix.data()};
    const std::int64_t clock = (SteadyNanoseconds() - streamStartNs) * kSampleRate / 1'000'000'000;
    lead = std::max(lead, framesRendered - clock + kBlockFrames);
    tones.Mix(channels, 1, kBlockFrames, kSampleRate, [this](const ToneRequest& request) {
        return (request.requestedNs - streamStartNs) * kSampleRate / 1'000'000'000 + lead - framesRendered;
    });
    framesRendered += kBlockFrames;

    bool silent = true;
    for (int frame = 0; frame < kBlockFrames; ++frame) {
        silent = silent && mix[frame] == 0.0f;
        samples[frame] = static_cast<std::int16_t>(std::clamp(mix[frame], -1.0f, 1.0f) * 32767.0f);
    }
    silentFrames = silent ? silentFrames + kBlockFrames : 0;
    resting.store(!tones.Sounding(), std::memory_order_release);
}

AudioOutput::AudioOutput() : AudioOutput(SoundSystems{}) {}

AudioOutput::AudioOutput(const SoundSystems& systems) : impl(std::make_unique<Impl>(systems)) {}

AudioOutput::~AudioOutput() = default;

bool AudioOutput::IsOpen() const { return impl->deviceId.has_value(); }

int AudioOutput::SampleRate() const { return kSampleRate; }

// A tone asked for since the last block is due as well.
bool AudioOutput::Resting() const
{
    return impl->resting.load(std::memory_order_acquire) && !impl->tones.Queued();
}

void AudioOutput::QueueTone(int frequency, int duration)
{
    // Without a device no one would take the tone: it is only waited for.
    if (impl->deviceId) {
        impl->tones.Push({frequency, duration, SteadyNanoseconds()});
        SetEvent(impl->wake.get());
    }
}

} // namespace tw
