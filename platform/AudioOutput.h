#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tw {

// The program's one sound output: a software synthesizer (for the music) and
// the tone of the sound effects, mixed into the same stream. Without a sound
// device the output stays closed and everything it does is silent, but takes
// the same time, so the game keeps its pace either way.
class AudioOutput {
public:
    // The sound systems tried, in order, when none are named.
    static std::vector<std::string> DefaultDrivers();

    AudioOutput();
    // Tries only these sound systems (FluidSynth driver names), in order.
    explicit AudioOutput(const std::vector<std::string>& drivers);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Whether a sound device is playing this output.
    bool IsOpen() const;
    int SampleRate() const;

    // Plays a square wave of `frequency` Hz for `duration` ms and returns when
    // it is over. A frequency or duration that is not positive is silence.
    void Beep(int frequency, int duration);

    // Beep without the wait: the tone starts at the next block the device
    // asks for and replaces any tone still playing.
    void StartTone(int frequency, int duration);

    // Renders one block exactly as the sound device's thread does: the
    // synthesizer first, then the tone added on top. The buffers follow
    // FluidSynth's audio callback; `out` holds left/right pairs and its
    // contents are added to, not replaced. Call it yourself only while the
    // output is closed.
    int Render(int frames, int nfx, float* fx[], int nout, float* out[]);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;

    friend struct AudioOutputAccess;
};

} // namespace tw
