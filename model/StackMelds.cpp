// Meld detection and scoring for the three rule sets chosen by CollapseRegime:
// 1 sets and runs, 2 poker hands, 3 twenty-one.

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/Stack.h"
#include "settings/Settings.h"

namespace tw {

namespace {

constexpr std::int32_t Ace = 0;
constexpr std::int32_t Ten = 9;
constexpr std::int32_t King = 12;
constexpr std::int32_t HighAce = 13; // an ace read above the king

// The rank as a pass reads it: the ace-high pass lifts every ace above the
// king, so Q-K-A is a run there and K-A-2 is a run in neither pass.
std::int32_t PassRank(CardCode code, bool aceHigh)
{
    const std::int32_t rank = CardRank(code);
    return aceHigh && rank == Ace ? HighAce : rank;
}

std::int32_t FaceValue(CardCode code, bool aceHigh)
{
    return PassRank(code, aceHigh) + 1;
}

std::int32_t TwentyOneValue(CardCode code, bool aceHigh)
{
    const std::int32_t rank = CardRank(code);
    if (rank == Ace) {
        return aceHigh ? 11 : 1;
    }
    return std::min(rank + 1, 10);
}

CardCode CodeAt(const CardNode* node)
{
    return node->GetCard()->GetCode();
}

} // namespace

std::int32_t Stack::MeldLength() const
{
    switch (settings.CollapseRegime) {
    case 1:
        return std::max(SetRunMeldLength(false), SetRunMeldLength(true));
    case 2:
        return std::max(PokerMeldLength(false), PokerMeldLength(true));
    case 3:
        return std::max(TwentyOneLength(false), TwentyOneLength(true));
    default:
        return 0;
    }
}

std::int32_t Stack::MeldPoints(std::int32_t n) const
{
    switch (settings.CollapseRegime) {
    case 1:
        return SetRunPoints(n);
    case 2:
        return PokerPoints();
    case 3:
        return TwentyOnePoints(n);
    default:
        return 0;
    }
}

// The top two cards decide the pass: a pair starts a set, anything else a run
// in the top card's suit. A run may lie in any order on the stack, so a gap
// left by one card can be closed by a card further down; best therefore only
// grows when the ranks seen so far form one unbroken block.
std::int32_t Stack::SetRunMeldLength(bool aceHigh) const
{
    std::int32_t best = 0;
    std::uint32_t rankMask = 0;
    std::int32_t firstRank = 0;
    std::int32_t firstSuit = 0;
    bool setPass = false;
    std::int32_t n = 0;
    for (const CardNode* node = topNode; node != baseNode; node = node->GetNext()) {
        ++n;
        const std::int32_t rank = PassRank(CodeAt(node), aceHigh);
        const std::int32_t suit = CardSuit(CodeAt(node));
        if (n == 1) {
            firstRank = rank;
            firstSuit = suit;
        } else {
            if (n == 2) {
                setPass = rank == firstRank;
            }
            const bool breaks = setPass
                ? rank != firstRank
                : (rankMask & MaskBit(rank)) != 0 || suit != firstSuit;
            if (breaks) {
                return best;
            }
        }
        rankMask |= MaskBit(rank);
        const std::int32_t run = RunLength(rankMask);
        // A run of length 1 is a set: every card so far shares one rank.
        if (run == n || run == 1) {
            best = n;
        }
    }
    return best;
}

// Reads at most the top five cards. Exactly two ranks over more than one suit
// counts as a full house without checking the split, so a four of a kind
// with an odd card among its top four scores as one too.
HandKind Stack::PokerHand(bool aceHigh) const
{
    if (count < 4) {
        return NoHand;
    }
    std::uint32_t suitMask = 0;
    std::uint32_t rankMask = 0;
    std::int32_t looked = 0;
    for (const CardNode* node = topNode; node != baseNode && looked < 5; node = node->GetNext()) {
        ++looked;
        suitMask |= MaskBit(CardSuit(CodeAt(node)));
        rankMask |= MaskBit(PassRank(CodeAt(node), aceHigh));
        if (looked == 4 && BitCount(rankMask) == 1) {
            return FourOfAKind;
        }
    }
    const std::int32_t ranks = BitCount(rankMask);
    if (BitCount(suitMask) == 1) {
        if (RunLength(rankMask) == 5) {
            return StraightFlush;
        }
        return looked == 5 ? Flush : NoHand;
    }
    if (looked == 5 && ranks == 2) {
        return FullHouse;
    }
    if (ranks == 5 && RunLength(rankMask) == 5) {
        return Straight;
    }
    return NoHand;
}

std::int32_t Stack::PokerMeldLength(bool aceHigh) const
{
    switch (PokerHand(aceHigh)) {
    case NoHand:
        return 0;
    case FourOfAKind:
        return 4;
    default:
        return 5;
    }
}

std::int32_t Stack::TwentyOneLength(bool aceHigh) const
{
    std::int32_t sum = 0;
    std::int32_t n = 0;
    for (const CardNode* node = topNode; node != baseNode; node = node->GetNext()) {
        ++n;
        sum += TwentyOneValue(CodeAt(node), aceHigh);
        if (sum == 21) {
            return n;
        }
        // Every card adds at least 1, so a sum past 21 never comes back.
        if (sum > 21) {
            return 0;
        }
    }
    return 0;
}

// Each card of the meld scores 10 for ten to king and 5 otherwise; aces
// score 15 when a king is among them or the meld is nothing but aces. Every
// card beyond the minimum doubles the total.
std::int32_t Stack::SetRunPoints(std::int32_t n) const
{
    // A meld cannot hold more cards than the stack does.
    const std::int32_t cards = std::clamp(n, 0, count);
    std::int64_t plain = 0;
    std::int64_t aces = 0;
    bool hasKing = false;
    const CardNode* node = topNode;
    for (std::int32_t i = 0; i < cards; ++i, node = node->GetNext()) {
        const std::int32_t rank = CardRank(CodeAt(node));
        if (rank == Ace) {
            ++aces;
        } else {
            plain += rank >= Ten ? 10 : 5;
            hasKing = hasKing || rank == King;
        }
    }
    const std::int64_t aceValue = hasKing || aces == cards ? 15 : 5;
    const std::int64_t sum = plain + aces * aceValue;

    // Melds shorter than the minimum never collapse, so the Board never asks
    // for them; they score their plain sum rather than being scaled down. At
    // the other end the doubling saturates instead of overflowing: every card
    // added to a meld must still never lower its points.
    constexpr std::int64_t Most = std::numeric_limits<std::int32_t>::max();
    const std::int64_t shift = std::int64_t{cards} - settings.minMeldLength;
    if (shift <= 0) {
        return static_cast<std::int32_t>(std::min(sum, Most));
    }
    if (shift >= 31 || sum > (Most >> shift)) {
        return sum > 0 ? static_cast<std::int32_t>(Most) : 0;
    }
    return static_cast<std::int32_t>(sum << shift);
}

// The stronger reading of the two passes wins; on a tie the ace counts high,
// so a flush holding an ace is worth more than its ace-low face values.
std::int32_t Stack::PokerPoints() const
{
    const HandKind low = PokerHand(false);
    const HandKind high = PokerHand(true);
    const HandKind hand = std::max(low, high);
    const bool aceHigh = !(low > high);

    std::int32_t base = 0;
    switch (hand) {
    case Straight:
        base = 20;
        break;
    case Flush:
        base = 10;
        break;
    case FullHouse:
        base = 50;
        break;
    case FourOfAKind:
        base = 100;
        break;
    case StraightFlush:
        base = 500;
        break;
    case NoHand:
        break;
    }
    // The conversion truncates toward zero.
    return static_cast<std::int32_t>(base * PokerCardSum(hand, aceHigh));
}

double Stack::PokerCardSum(HandKind hand, bool aceHigh) const
{
    const std::int32_t cards = hand == FourOfAKind ? 4 : 5;
    std::int32_t sum = 0;
    std::int32_t looked = 0;
    for (const CardNode* node = topNode; node != baseNode && looked < cards; node = node->GetNext()) {
        ++looked;
        sum += FaceValue(CodeAt(node), aceHigh);
    }
    return sum / 30.0;
}

std::int32_t Stack::TwentyOnePoints(std::int32_t n) const
{
    return n == 2 ? 42 : 21;
}

} // namespace tw
