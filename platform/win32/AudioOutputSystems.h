#pragma once

// Platform-internal: which waveOut devices an AudioOutput may play on, so
// that tests can ask for one that is there, or for none at all.

#include <vector>

#include "platform/AudioOutput.h"

namespace tw {

struct AudioOutput::SoundSystems {
    // waveOut's own id for "whichever device the system plays on".
    static constexpr unsigned kSystemDevice = 0xFFFFFFFFu;

    // Tried in order until one opens; none: the output stays closed.
    std::vector<unsigned> devices{kSystemDevice};
};

} // namespace tw
