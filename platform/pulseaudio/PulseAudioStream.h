#pragma once

// Platform-internal: the output stream on a PulseAudio (or PipeWire) sound
// server, which calls back for each block from its own thread and can be
// paused without closing, so that a silent game costs nothing at all.

#include <chrono>
#include <functional>
#include <memory>

namespace tw {

class PulseAudioStream {
public:
    // What renders a block, with the buffers of FluidSynth's audio callback:
    // `out` holds a left/right pair, zeroed before each call.
    using RenderFunction = int (*)(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);

    // How far ahead the stream is filled. Whatever a stream asks for, the
    // server runs the device as deep as the shallowest stream allows, so
    // every stream that waits with a short latency costs the server wake-ups.
    enum class Buffering {
        // Four blocks ahead, asked for a block at a time, and the device may
        // run two of them deep: for sound that has no deadline, which is
        // rendered at background priority.
        Relaxed,
        // Four blocks in all, the device running one of them deep: what is
        // asked for is heard four blocks on. Paused, the stream asks for a
        // longer latency, since even corked it would hold the device at its
        // short period.
        Prompt,
    };

    // Starts connecting and returns at once; null only when the client
    // library cannot run. A server that has not let the stream play by
    // `deadline` counts as failed: a frozen one would never say so itself.
    static std::unique_ptr<PulseAudioStream> Connect(int sampleRate, int blockFrames, Buffering buffering,
                                                     RenderFunction render, void* data,
                                                     std::chrono::milliseconds deadline);
    ~PulseAudioStream();
    PulseAudioStream(const PulseAudioStream&) = delete;
    PulseAudioStream& operator=(const PulseAudioStream&) = delete;

    // Waits until the stream plays or has failed; whether it plays.
    bool WaitUntilSettled();
    // The server refused the stream, did not answer in time or has gone away
    // since: nothing will be rendered any more.
    bool Failed() const;
    // It failed because the server did not answer by the deadline.
    bool TimedOut() const;

    // A paused stream asks for nothing; resuming drops what it still held,
    // so the next block rendered is the next one heard.
    void Pause();
    void Resume();
    // The most it may have rendered that has not been heard yet.
    int FramesAhead() const;
    // Drops what was written but not yet heard; the stream asks for it anew.
    void Discard();
    // Runs `job` between two blocks: no block is rendered meanwhile.
    void BetweenBlocks(const std::function<void()>& job);

    struct Impl; // made only by Connect
    explicit PulseAudioStream(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl;
};

} // namespace tw
