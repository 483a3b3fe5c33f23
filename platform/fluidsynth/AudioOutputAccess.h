#pragma once

// The parts of AudioOutput that only the audio backend and its tests see:
// it includes FluidSynth.

#include <fluidsynth.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

namespace tw {

// FluidSynth's drivers to try, in order.
struct AudioOutput::SoundSystems {
    std::vector<std::string> drivers;
};

struct AudioOutputAccess {
    // The drivers tried, in order, when none are named.
    static AudioOutput::SoundSystems DefaultDrivers();

    // Renders one block as a FluidSynth driver's thread does (a sound
    // server's two streams render the two parts separately): the
    // synthesizer first (unless it has fallen silent), then the tones added on
    // top, each placed by when it was asked for relative to the previous
    // block; in the first block, and for a tone asked for before the previous
    // block began, at the block's start. The buffers follow FluidSynth's
    // audio callback; `out` holds left/right pairs and its contents are
    // added to, not replaced. Call it yourself only while the output is
    // closed.
    static int Render(AudioOutput& output, int frames, int nfx, float* fx[], int nout, float* out[]);

    // A synthesizer set up as the program's is for the songs (its settings
    // are changed to match), for whoever renders them as the game does.
    static fluid_synth_t* NewSynth(fluid_settings_t* settings);

    // The synthesizer whose output the tone is mixed into; the music plays
    // on it. Null only if FluidSynth could not make one.
    static fluid_synth_t* Synth(AudioOutput& output);

    // FluidSynth forbids deleting a player while its synth renders, and with
    // a device the synth may render at any moment. So a player that is done
    // with is stopped and handed here; it is deleted with `callbackData`
    // (what its callbacks point to) on the GUI thread between two blocks, once
    // the block after its stop has run.
    static void RetirePlayer(AudioOutput& output, fluid_player_t* player, std::shared_ptr<void> callbackData);
    static std::size_t RetiredPlayers(AudioOutput& output);

    // Whether songs can be heard: a sound system plays the output or is
    // being connected. With none, a sound server is looked for again.
    static bool Reachable(AudioOutput& output);

    // Asks whoever renders to release every note, lift the pedals and reset
    // the controllers before the next block. Doing it there
    // rather than here orders it after anything a player sent in a block
    // that was running meanwhile.
    static void RequestSilence(AudioOutput& output);
    // Whether every silence asked for has been carried out and the block
    // rendered with it has finished, so that a player stopped before it can
    // send nothing more.
    static bool Silenced(AudioOutput& output);

    // While held (by a playing song), the synthesizer is run for every block
    // and the stream stays open, even through a song's rests.
    static void Hold(AudioOutput& output);
    static void Release(AudioOutput& output);
};

} // namespace tw
