#pragma once

#include <vector>

#include "model/SoundEffects.h"

namespace tw::test {

struct Tone {
    int frequency = 0, duration = 0, on = 0;
    friend bool operator==(const Tone&, const Tone&) = default;
};

// Sound effects that only remember what was asked of them, so tests of the
// game never wait.
class SoundRecorder : public SoundEffects {
public:
    void SoundEffect(int frequency, int duration, int on) override
    {
        tones.push_back({frequency, duration, on});
    }

    std::vector<Tone> tones;
};

} // namespace tw::test
