#include "platform/PulseAudioStream.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tw {

struct PulseAudioStream::Impl {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    RenderFunction render = nullptr;
    void* data = nullptr;
    int blockFrames = 0;
    // The server's thread renders into these; made once, never resized there.
    std::vector<float> left, right;

    ~Impl()
    {
        if (loop) {
            pa_threaded_mainloop_stop(loop);
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

    static void Signal(void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }
    static void OnContextState(pa_context*, void* loop) { Signal(loop); }
    static void OnStreamState(pa_stream*, void* loop) { Signal(loop); }

    // On the server's thread: render as many whole blocks as there is room
    // for. The server's requests drift by a few frames; answering those
    // remainders would double the wake-ups, so they wait for the next block.
    static void OnWritable(pa_stream* stream, std::size_t, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        constexpr std::size_t kFrameBytes = 2 * sizeof(float);
        const std::size_t blockBytes = std::size_t(impl->blockFrames) * kFrameBytes;
        while (pa_stream_writable_size(stream) >= blockBytes) {
            void* buffer = nullptr;
            std::size_t size = blockBytes;
            if (pa_stream_begin_write(stream, &buffer, &size) < 0 || !buffer || size < kFrameBytes) {
                return;
            }
            const int frames = static_cast<int>(std::min(size, blockBytes) / kFrameBytes);
            std::fill_n(impl->left.begin(), frames, 0.0f);
            std::fill_n(impl->right.begin(), frames, 0.0f);
            float* out[2] = {impl->left.data(), impl->right.data()};
            impl->render(impl->data, frames, 0, nullptr, 2, out);
            auto* interleaved = static_cast<float*>(buffer);
            for (int frame = 0; frame < frames; ++frame) {
                interleaved[2 * frame] = impl->left[std::size_t(frame)];
                interleaved[2 * frame + 1] = impl->right[std::size_t(frame)];
            }
            pa_stream_write(stream, buffer, std::size_t(frames) * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        }
    }

    // With the loop locked: waits until the context is ready or has failed.
    bool Connect(int sampleRate)
    {
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tumblewick");
        if (!context) {
            return false;
        }
        pa_context_set_state_callback(context, &OnContextState, loop);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            return false;
        }
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                return false;
            }
            pa_threaded_mainloop_wait(loop);
        }
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(sampleRate), 2};
        stream = pa_stream_new(context, "Tumblewick", &format, nullptr);
        if (!stream) {
            return false;
        }
        pa_stream_set_state_callback(stream, &OnStreamState, loop);
        pa_stream_set_write_callback(stream, &OnWritable, this);
        // Asked for one block at a time, two ahead; no timing updates, which
        // would wake the server's thread on their own.
        const auto block = static_cast<std::uint32_t>(blockFrames * 2 * sizeof(float));
        const pa_buffer_attr attributes{static_cast<std::uint32_t>(-1), 2 * block, block, block,
                                        static_cast<std::uint32_t>(-1)};
        if (pa_stream_connect_playback(stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
            return false;
        }
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY) {
                return true;
            }
            if (!PA_STREAM_IS_GOOD(state)) {
                return false;
            }
            pa_threaded_mainloop_wait(loop);
        }
    }

    // With the loop locked.
    void Flush()
    {
        if (pa_operation* flush = pa_stream_flush(stream, nullptr, nullptr)) {
            pa_operation_unref(flush);
        }
    }

    void Cork(bool paused)
    {
        pa_threaded_mainloop_lock(loop);
        if (!paused) {
            Flush();
        }
        if (pa_operation* cork = pa_stream_cork(stream, paused ? 1 : 0, nullptr, nullptr)) {
            pa_operation_unref(cork);
        }
        pa_threaded_mainloop_unlock(loop);
    }
};

PulseAudioStream::PulseAudioStream(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}

PulseAudioStream::~PulseAudioStream() = default;

std::unique_ptr<PulseAudioStream> PulseAudioStream::Open(int sampleRate, int blockFrames, RenderFunction render,
                                                         void* data)
{
    auto impl = std::make_unique<Impl>();
    impl->render = render;
    impl->data = data;
    impl->blockFrames = blockFrames;
    impl->left.resize(std::size_t(blockFrames));
    impl->right.resize(std::size_t(blockFrames));
    impl->loop = pa_threaded_mainloop_new();
    if (!impl->loop || pa_threaded_mainloop_start(impl->loop) < 0) {
        return nullptr;
    }
    pa_threaded_mainloop_lock(impl->loop);
    const bool connected = impl->Connect(sampleRate);
    pa_threaded_mainloop_unlock(impl->loop);
    if (!connected) {
        return nullptr;
    }
    return std::make_unique<PulseAudioStream>(std::move(impl));
}

void PulseAudioStream::Pause() { impl->Cork(true); }

void PulseAudioStream::Resume() { impl->Cork(false); }

void PulseAudioStream::Discard()
{
    // Taking the lock waits out a block being rendered, so that block goes too.
    pa_threaded_mainloop_lock(impl->loop);
    impl->Flush();
    pa_threaded_mainloop_unlock(impl->loop);
}

} // namespace tw
