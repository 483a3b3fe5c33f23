#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/Random.h"

namespace tw {
namespace {

// The seed whose first step yields the raw value r: the odd multiplier has an
// inverse modulo 2^32 (Newton's iteration, five steps for 32 bits).
std::uint32_t SeedYielding(std::int32_t r)
{
    std::uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - 214013u * inverse;
    }
    return ((static_cast<std::uint32_t>(r) << 16) - 2531011u) * inverse;
}

TEST(Random, KnownSeedsGiveTheSameSequenceEverywhere)
{
    for (const auto& [seed, expected] : {std::pair{1u, std::vector{41, 18467, 6334, 26500, 19169}},
                                         std::pair{0u, std::vector{38, 7719, 21238}},
                                         std::pair{0xFFFFFFFFu, std::vector{35, 29739, 3374}}}) {
        SeedRandom(seed);
        std::vector<int> values(expected.size());
        std::generate(values.begin(), values.end(), NextRandom);
        EXPECT_EQ(values, expected) << "seed " << seed;
    }
}

TEST(Random, ScalesOneRawValueIntoRangeInOneStep)
{
    const struct {
        std::int32_t raw, n, expected;
    } cases[] = {{0, 52, 0},     {32766, 52, 51}, {32767, 52, 0}, {32767, 1, 0}, {16383, 2, 0},
                 {16384, 2, 1},  {20000, 13, 7},  {1000, 0, 0},   {1000, -5, 0}};
    for (const auto& c : cases) {
        SeedRandom(SeedYielding(c.raw));
        EXPECT_EQ(random(c.n), c.expected) << "raw " << c.raw << ", n " << c.n;
        const std::int32_t following = NextRandom();
        SeedRandom(SeedYielding(c.raw));
        NextRandom();
        EXPECT_EQ(NextRandom(), following) << "n " << c.n; // whatever n, one step
    }
}

TEST(Random, StaysInRangeOverLongRuns)
{
    SeedRandom(7);
    std::pair<std::int32_t, std::int32_t> seen{32767, 0};
    for (int i = 0; i < (1 << 18); ++i) {
        const std::int32_t r = NextRandom();
        seen = {std::min(seen.first, r), std::max(seen.second, r)};
    }
    EXPECT_EQ(seen, std::pair(0, 32767));
    for (const std::int32_t n : {1, 4, 13, 52, 104}) {
        for (int i = 0; i < 20000; ++i) {
            const std::int32_t v = random(n);
            ASSERT_TRUE(v >= 0 && v < n) << v << " of " << n;
        }
    }
}

} // namespace
} // namespace tw
