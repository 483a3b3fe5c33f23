#include "platform/pulseaudio/PulseAudioStream.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ThreadPriority.h"

namespace tw {

struct PulseAudioStream::Impl {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* deadline = nullptr;
    RenderFunction render = nullptr;
    void* data = nullptr;
    int sampleRate = 0;
    int blockFrames = 0;
    Buffering buffering = Buffering::Relaxed;
    // The server's thread only.
    bool inBackground = false;
    // With the loop locked: whether Pause asked for it last.
    bool corked = false;
    // The server's thread renders into these; made once, never resized there.
    std::vector<float> left, right;
    // Written by the server's thread, read by anyone.
    std::atomic<bool> playing{false}, failed{false}, timedOut{false};

    ~Impl()
    {
        if (loop) {
            pa_threaded_mainloop_stop(loop);
        }
        if (deadline) {
            pa_threaded_mainloop_get_api(loop)->time_free(deadline);
        }
        if (stream) {
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop) {
            pa_threaded_mainloop_free(loop);
        }
    }

    // The callbacks below run on the server's thread with the loop locked.

    void Fail()
    {
        if (failed.exchange(true, std::memory_order_acq_rel)) {
            return;
        }
        playing.store(false, std::memory_order_release);
        // A server that answers after the deadline must not start a stream
        // that nobody waits for any more.
        pa_context_disconnect(context);
        pa_threaded_mainloop_signal(loop, 0);
    }

    static void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        if (!impl->playing.load(std::memory_order_relaxed) && !impl->failed.load(std::memory_order_relaxed)) {
            impl->timedOut.store(true, std::memory_order_release);
            impl->Fail();
        }
    }

    static void OnContextState(pa_context* context, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            if (!impl->OpenStream()) {
                impl->Fail();
            }
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            impl->Fail();
        }
    }

    static void OnStreamState(pa_stream* stream, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            impl->playing.store(true, std::memory_order_release);
            pa_threaded_mainloop_signal(impl->loop, 0);
        } else if (!PA_STREAM_IS_GOOD(state)) {
            impl->Fail();
        }
    }

    // Render as many whole blocks as there is room for. The server's requests
    // drift by a few frames; answering those remainders would double the
    // wake-ups, so they wait for the next block. A long block is rendered a
    // slice at a time, so its planar buffers stay small.
    static void OnWritable(pa_stream* stream, std::size_t, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        if (impl->buffering == Buffering::Relaxed && !impl->inBackground) {
            RunThisThreadInBackground();
            impl->inBackground = true;
        }
        const std::size_t blockBytes = std::size_t(impl->blockFrames) * kFrameBytes;
        while (pa_stream_writable_size(stream) >= blockBytes) {
            void* buffer = nullptr;
            std::size_t size = blockBytes;
            if (pa_stream_begin_write(stream, &buffer, &size) < 0 || !buffer || size < kFrameBytes) {
                return;
            }
            const int frames = static_cast<int>(std::min(size, blockBytes) / kFrameBytes);
            auto* interleaved = static_cast<std::int16_t*>(buffer);
            for (int done = 0; done < frames;) {
                const int slice = std::min(frames - done, static_cast<int>(impl->left.size()));
                impl->RenderSlice(slice, interleaved + 2 * done);
                done += slice;
            }
            pa_stream_write(stream, buffer, std::size_t(frames) * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        }
    }

    // 16 bits carry 96 dB, more than the music's tails below the synthesizer's
    // silence, for half the memory that the server holds unheard.
    static constexpr std::size_t kFrameBytes = 2 * sizeof(std::int16_t);
    static constexpr int kSliceFrames = 2048;
    static constexpr int kTargetBlocks = 4;
    // How many blocks deep the server may run the device: the target less two
    // requests' room, of which a latency it adjusts takes half.
    int DeviceBlocks() const { return buffering == Buffering::Prompt ? (kTargetBlocks - 2) / 2 : kTargetBlocks - 2; }

    void RenderSlice(int frames, std::int16_t* interleaved)
    {
        std::fill_n(left.begin(), frames, 0.0f);
        std::fill_n(right.begin(), frames, 0.0f);
        float* out[2] = {left.data(), right.data()};
        render(data, frames, 0, nullptr, 2, out);
        const auto sample = [](float value) {
            return static_cast<std::int16_t>(std::lrint(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
        };
        for (int frame = 0; frame < frames; ++frame) {
            interleaved[2 * frame] = sample(left[std::size_t(frame)]);
            interleaved[2 * frame + 1] = sample(right[std::size_t(frame)]);
        }
    }

    bool OpenStream()
    {
        const pa_sample_spec format{PA_SAMPLE_S16NE, static_cast<std::uint32_t>(sampleRate), 2};
        stream = pa_stream_new(context, "Tumblewick", &format, nullptr);
        if (!stream) {
            return false;
        }
        pa_stream_set_state_callback(stream, &OnStreamState, this);
        pa_stream_set_write_callback(stream, &OnWritable, this);
        const auto flags = buffering == Buffering::Prompt ? PA_STREAM_ADJUST_LATENCY : PA_STREAM_NOFLAGS;
        const pa_buffer_attr attributes = Attributes();
        return pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) >= 0;
    }

    // Asked for one block at a time. With a latency it adjusts, the server
    // splits it into the device's depth and two requests' room, so four
    // blocks let the device run one block deep; two would drive it at its
    // shortest period, thousands of wake-ups a second. Without, the device
    // may run as deep as the target less those two requests. A paused prompt
    // stream lets the device run a quarter second deep; the silence it is
    // sent meanwhile is rendered once, as it pauses. No timing updates, which
    // would wake the server's thread on their own.
    pa_buffer_attr Attributes() const
    {
        const auto block = static_cast<std::uint32_t>(std::size_t(blockFrames) * kFrameBytes);
        const auto restingDepth = static_cast<std::uint32_t>(std::size_t(sampleRate) / 4 * kFrameBytes);
        const std::uint32_t target = corked ? 2 * restingDepth + 2 * block : kTargetBlocks * block;
        return {static_cast<std::uint32_t>(-1), target, block, block, static_cast<std::uint32_t>(-1)};
    }

    // With the loop locked.
    void Flush()
    {
        if (!playing.load(std::memory_order_acquire)) {
            return;
        }
        if (pa_operation* flush = pa_stream_flush(stream, nullptr, nullptr)) {
            pa_operation_unref(flush);
        }
    }

    void Cork(bool paused)
    {
        pa_threaded_mainloop_lock(loop);
        if (playing.load(std::memory_order_acquire)) {
            corked = paused;
            if (buffering == Buffering::Prompt) {
                const pa_buffer_attr attributes = Attributes();
                if (pa_operation* change = pa_stream_set_buffer_attr(stream, &attributes, nullptr, nullptr)) {
                    pa_operation_unref(change);
                }
            }
            if (!paused) {
                Flush();
            }
            if (pa_operation* cork = pa_stream_cork(stream, paused ? 1 : 0, nullptr, nullptr)) {
                pa_operation_unref(cork);
            }
        }
        pa_threaded_mainloop_unlock(loop);
    }
};

PulseAudioStream::PulseAudioStream(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}

PulseAudioStream::~PulseAudioStream() = default;

std::unique_ptr<PulseAudioStream> PulseAudioStream::Connect(int sampleRate, int blockFrames, Buffering buffering,
                                                            RenderFunction render, void* data,
                                                            std::chrono::milliseconds deadline)
{
    auto impl = std::make_unique<Impl>();
    impl->buffering = buffering;
    impl->render = render;
    impl->data = data;
    impl->sampleRate = sampleRate;
    impl->blockFrames = blockFrames;
    impl->left.resize(std::size_t(std::min(blockFrames, Impl::kSliceFrames)));
    impl->right.resize(impl->left.size());
    impl->loop = pa_threaded_mainloop_new();
    if (!impl->loop) {
        return nullptr;
    }
    impl->context = pa_context_new(pa_threaded_mainloop_get_api(impl->loop), "Tumblewick");
    if (!impl->context) {
        return nullptr;
    }
    pa_context_set_state_callback(impl->context, &Impl::OnContextState, impl.get());
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(deadline).count();
    impl->deadline = pa_context_rttime_new(impl->context, pa_rtclock_now() + pa_usec_t(micros), &Impl::OnDeadline,
                                           impl.get());
    if (pa_context_connect(impl->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        impl->failed = true;
    } else if (pa_threaded_mainloop_start(impl->loop) < 0) {
        return nullptr;
    }
    return std::make_unique<PulseAudioStream>(std::move(impl));
}

bool PulseAudioStream::WaitUntilSettled()
{
    pa_threaded_mainloop_lock(impl->loop);
    while (!impl->playing.load() && !impl->failed.load()) {
        pa_threaded_mainloop_wait(impl->loop);
    }
    pa_threaded_mainloop_unlock(impl->loop);
    return !Failed();
}

bool PulseAudioStream::Failed() const { return impl->failed.load(std::memory_order_acquire); }

bool PulseAudioStream::TimedOut() const { return impl->timedOut.load(std::memory_order_acquire); }

void PulseAudioStream::Pause() { impl->Cork(true); }

void PulseAudioStream::Resume() { impl->Cork(false); }

int PulseAudioStream::FramesAhead() const
{
    return (Impl::kTargetBlocks + impl->DeviceBlocks()) * impl->blockFrames;
}

void PulseAudioStream::Discard()
{
    // Taking the lock waits out a block being rendered, so that block goes too.
    BetweenBlocks([this] { impl->Flush(); });
}

void PulseAudioStream::BetweenBlocks(const std::function<void()>& job)
{
    pa_threaded_mainloop_lock(impl->loop);
    job();
    pa_threaded_mainloop_unlock(impl->loop);
}

} // namespace tw
