#pragma once

#include <tuple>
#include <vector>

#include "model/SoundEffects.h"

namespace tw::test {

// What a sound effect was asked for: frequency, duration and whether the sound is on.
using Tone = std::tuple<int, int, int>;

// Sound effects that only remember what was asked of them, so tests of the
// game never wait.
class SoundRecorder : public SoundEffects {
public:
    void SoundEffect(int frequency, int duration, int on) override { tones.emplace_back(frequency, duration, on); }

    std::vector<Tone> tones;
};

} // namespace tw::test
