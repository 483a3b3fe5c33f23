#pragma once

#include <bit>
#include <cstdint>

namespace tw {

// Meld detection works on 32-bit masks with bit r standing for rank r (an ace
// read high is rank 13) or bit s for suit s.
constexpr std::uint32_t MaskBit(std::int32_t index)
{
    // Codes outside 0..51 never reach the rules; if one did, it must not turn
    // into an undefined shift.
    return index >= 0 && index < 32 ? std::uint32_t{1} << index : 0;
}

// The length of the one unbroken block of set bits in mask, or 0 when the set
// bits are broken up by a gap. An empty mask holds no run at all.
constexpr std::int32_t RunLength(std::uint32_t mask)
{
    if (mask == 0) {
        return 0;
    }
    const std::uint32_t block = mask >> std::countr_zero(mask);
    // A single block is all ones from bit 0, so adding one carries through it.
    return (block & (block + 1)) == 0 ? std::countr_one(block) : 0;
}

constexpr std::int32_t BitCount(std::uint32_t mask)
{
    return std::popcount(mask);
}

// Ordered by strength under the poker rules; the numbers matter, since the
// stronger of the ace-low and ace-high reading wins.
enum HandKind : std::int32_t {
    NoHand = 0,
    Straight = 1,
    Flush = 2,
    FullHouse = 3,
    FourOfAKind = 4,
    StraightFlush = 5,
};

} // namespace tw
