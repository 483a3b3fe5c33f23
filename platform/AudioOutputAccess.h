#pragma once

// Platform-internal: the parts of AudioOutput that only the platform's own
// audio code may see. Includes FluidSynth, so never include it outside
// platform/.

#include <fluidsynth.h>

#include "platform/AudioOutput.h"

namespace tw {

struct AudioOutputAccess {
    // The synthesizer whose output the tone is mixed into; the music plays
    // on it. Null only if FluidSynth could not make one.
    static fluid_synth_t* Synth(AudioOutput& output);
};

} // namespace tw
