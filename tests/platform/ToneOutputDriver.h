#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AudioOutput.h"

// How the tone output's contract reaches the sound past the game: each
// backend's own test file defines these, its way.
namespace tw::test {

// An output with no device, as on a machine without sound.
std::unique_ptr<AudioOutput> OutputWithoutADevice();

// An output whose sound the test can hear, or null where there is none.
std::unique_ptr<AudioOutput> HeardOutput();

// What `output` plays, as mono samples at its rate, for `length`
// milliseconds from when the test starts hearing it, while `play` runs.
// Nothing where it cannot be heard after all.
std::optional<std::vector<std::int16_t>> Record(AudioOutput& output, int length, const std::function<void()>& play);

} // namespace tw::test
