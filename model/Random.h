#pragma once

#include <cstdint>

namespace tw {

// The game's own generator: a 15-bit linear congruential generator, so that
// a seed deals the same cards on every platform and no value can index past
// the pile (the C library's rand() here reaches 2147483647).
//
// One process-wide state. The application seeds it once from the clock at
// start-up; tests seed it themselves. Before any seeding the state is 1.

// Restarts the sequence at seed.
void SeedRandom(std::uint32_t seed);

// Where the sequence stands: seeding with it goes on from here.
std::uint32_t RandomState();

// The next raw value, 0 to 32767.
std::int32_t NextRandom();

// 0 to n - 1, scaled from one raw value. The top raw value 32767 would scale
// to n itself and yields 0 instead. For n <= 0 the result is 0; the raw value
// is still taken, so every call advances the sequence by exactly one step.
std::int32_t RandomBelow(std::int32_t n);

} // namespace tw
