#pragma once

// Platform-internal: the output stream on a PulseAudio (or PipeWire) sound
// server, which calls back for each block from its own thread and can be
// paused without closing, so that a silent game costs nothing at all.

#include <memory>

namespace tw {

class PulseAudioStream {
public:
    // What renders a block, with the buffers of FluidSynth's audio callback:
    // `out` holds a left/right pair, zeroed before each call.
    using RenderFunction = int (*)(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);

    // Null when no sound server answers. Latency is about two blocks.
    static std::unique_ptr<PulseAudioStream> Open(int sampleRate, int blockFrames, RenderFunction render,
                                                  void* data);
    ~PulseAudioStream();
    PulseAudioStream(const PulseAudioStream&) = delete;
    PulseAudioStream& operator=(const PulseAudioStream&) = delete;

    // A paused stream asks for nothing; resuming drops what it still held,
    // so the next block rendered is the next one heard.
    void Pause();
    void Resume();
    // Drops what was written but not yet heard; the stream asks for it anew.
    void Discard();

    struct Impl; // made only by Open
    explicit PulseAudioStream(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl;
};

} // namespace tw
