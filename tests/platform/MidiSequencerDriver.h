#pragma once

#include <memory>

#include "platform/MidiSequencer.h"

// How the song player's contract lets its songs play: each backend's own test
// file defines these, its way. The songs are one quarter-second note.
namespace tw::test {

class SequencerDriver {
public:
    virtual ~SequencerDriver() = default;
    // A player with no device to play on, as on a machine without sound.
    virtual MidiSequencer& Sequencer() = 0;
    // Lets the songs play on for less than a song lasts, and the GUI thread
    // take what it is given.
    virtual void Wait() = 0;
    // Lets song `id`, started at most a moment ago, play past its end (or, if
    // it was closed, past where it would have ended) but not for seconds, and
    // the GUI thread take what the system says of it.
    virtual void PlayOut(int id) = 0;
};

std::unique_ptr<SequencerDriver> SequencerWithoutADevice();

} // namespace tw::test
