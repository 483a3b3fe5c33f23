#pragma once

#include <memory>

namespace tw {

// The program's one sound output: a software synthesizer (for the music) and
// the tone of the sound effects, mixed into the same stream. Without a sound
// device the output stays closed and everything it does is silent, but takes
// the same time, so the game keeps its pace either way.
//
// A game is mostly silent, so the output costs nothing while nothing sounds:
// the synthesizer is not run once its sound has died away, and a second
// later the device's stream is paused (or closed) until the next tone or
// song. Each tone starts where it was asked for, one block on: on a sound
// server, which takes tones and music on streams of their own, blocks of
// about 10 ms for the tones, while the music is rendered two seconds ahead
// in blocks of half a second, at background priority; on a device of its
// own, 23 ms for both.
//
// A sound server that does not answer within a second counts as absent;
// one that goes away, or was not there, is looked for again at the next
// tone or song.
class AudioOutput {
public:
    AudioOutput();
    // Tries only the given sound systems; what they are is the backend's.
    struct SoundSystems;
    explicit AudioOutput(const SoundSystems& systems);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Whether a sound device plays this output (its stream may be resting).
    bool IsOpen() const;
    int SampleRate() const;

    // Plays a square wave of `frequency` Hz for `duration` ms and returns when
    // it is over. A frequency or duration that is not positive is silence.
    void Beep(int frequency, int duration);

    // Beep without the wait: the tone replaces any tone still playing, one
    // block after the moment it was asked for.
    void StartTone(int frequency, int duration);

    // Whether the last block rendered left nothing sounding and nothing due:
    // no tone, no song holding the output, and the synthesizer silent.
    bool Resting() const;

private:
    // The backend's part of StartTone, for a tone that sounds.
    void QueueTone(int frequency, int duration);

    struct Impl;
    std::unique_ptr<Impl> impl;

    friend struct AudioOutputAccess;
};

} // namespace tw
