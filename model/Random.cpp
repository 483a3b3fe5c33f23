#include "model/Random.h"

namespace tw {
namespace {

std::uint32_t state = 1;

} // namespace

void SeedRandom(std::uint32_t seed) { state = seed; }

std::uint32_t RandomState() { return state; }

std::int32_t NextRandom()
{
    // Unsigned arithmetic: the wrap-around at 2^32 is the generator.
    state = state * 214013u + 2531011u;
    return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

std::int32_t RandomBelow(std::int32_t n)
{
    const std::int32_t r = NextRandom();
    if (n <= 0) {
        return 0;
    }
    const auto v = static_cast<std::int32_t>(r / 32767.0 * n);
    return v == n ? 0 : v;
}

} // namespace tw
