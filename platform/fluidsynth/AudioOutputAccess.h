#pragma once

// Platform-internal: the parts of AudioOutput that only the platform's own
// audio code may see. Includes FluidSynth, so never include it outside
// platform/.

#include <fluidsynth.h>

#include <cstddef>
#include <memory>

#include "platform/AudioOutput.h"

namespace tw {

struct AudioOutputAccess {
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
