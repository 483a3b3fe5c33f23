#include "model/Deck.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "model/KeptGame.h"
#include "model/Random.h"
#include "model/Stack.h"
#include "settings/Settings.h"

namespace tw {
namespace {

// A rest of the pile is only tested for being one meld while it is this
// short: three cards are the smallest meld, thirteen the longest run.
constexpr std::int32_t PerfectMatchMinTop = 2;
constexpr std::int32_t PerfectMatchMaxTop = 12;

} // namespace

Deck::Deck(const KeptDeck& kept, CardCode falling)
    : pile(kept.pile), pileTop(kept.pileTop), reshuffled(kept.reshuffled), perfectEnd(kept.perfectEnd),
      perfectCount(kept.perfectCount)
{
    sprite.SetCard(std::make_unique<Card>(falling));
}

Deck::~Deck() = default;

KeptDeck Deck::Keep() const { return {pile, pileTop, reshuffled, perfectEnd, perfectCount}; }

bool Deck::Deal()
{
    sprite.SetPosition(0, 0);
    sprite.SetCard(std::make_unique<Card>(NextCode()));
    if (settings.EndOnShuffle != 0 && settings.OneDeck == 2) {
        return reshuffled == 0;
    }
    return true;
}

GameOverReason Deck::EndReason() const
{
    if (perfectEnd != 0) {
        return GameOverReason::EndlessMatch;
    }
    return reshuffled != 0 ? GameOverReason::OutOfCards : GameOverReason::NoRoom;
}

void Deck::Swap()
{
    if (settings.SwapMode == 4 || !sprite.GetCard()) {
        return;
    }
    // An ended pile (pileTop -2) counts as empty too: every swap below would
    // otherwise read below its first place.
    if (settings.OneDeck != 0 && pileTop < 0) {
        return;
    }
    CardCode code = 0;
    switch (settings.SwapMode) {
    case 1:
        code = SwapRandom();
        break;
    case 2:
        code = SwapCompanion();
        break;
    case 3:
        code = SwapCycle();
        break;
    default:
        // Not a mode the program writes: keep the card rather than guess.
        return;
    }
    sprite.SetCard(std::make_unique<Card>(code));
}

std::int32_t Deck::Reinsert(CardCode code)
{
    if (code < 0 || code >= FreshCards) {
        return 0;
    }
    // Once dealing has ended nothing comes back; a full pile has no place
    // left, and the code no longer fits.
    if (pileTop < -1 || pileTop >= PileSize - 1) {
        return 0;
    }
    ++pileTop;
    // With the cycle swap the top places are the cards the player is about to
    // cycle through, so a returning card stays below them.
    const std::int32_t kept = settings.SwapMode == 3 ? std::min(pileTop, 4) : 0;
    const std::int32_t r = RandomBelow(pileTop + 1 - kept);
    const std::int32_t p = std::max(pileTop - 3, 0);
    // The order matters when r is p or pileTop: the later write wins.
    pile[pileTop] = pile[p];
    pile[p] = pile[r];
    pile[r] = code;
    return 1;
}

std::int32_t Deck::RemainingCount() const { return pileTop + 1; }

void Deck::SetPileTop(std::int32_t top) { pileTop = std::clamp(top, EndedPileTop, PileSize - 1); }

std::span<const CardCode> Deck::PileCodes() const
{
    return std::span<const CardCode>(pile).first(static_cast<std::size_t>(std::max(pileTop + 1, 0)));
}

std::int32_t Deck::GetX() const { return sprite.GetX(); }

std::int32_t Deck::GetY() const { return sprite.GetY(); }

void Deck::SetPosition(std::int32_t newX, std::int32_t newY) { sprite.SetPosition(newX, newY); }

CardSprite& Deck::Sprite() { return sprite; }

const CardSprite& Deck::Sprite() const { return sprite; }

CardCode Deck::NextCode()
{
    if (settings.OneDeck == 0) {
        // Two statements: the rank must be drawn before the suit.
        const std::int32_t rank = RandomBelow(13);
        const std::int32_t suit = RandomBelow(4);
        return MakeCardCode(rank, suit);
    }
    return DrawFromPile();
}

CardCode Deck::DrawFromPile()
{
    if (pileTop >= 0 && !IsPerfectMatch()) {
        reshuffled = 0;
    } else {
        Shuffle();
        reshuffled = 1;
    }
    return pile[pileTop--];
}

bool Deck::IsPerfectMatch()
{
    if (settings.OneDeck != 2) {
        return false;
    }
    bool perfect = false;
    if (pileTop >= PerfectMatchMinTop && pileTop <= PerfectMatchMaxTop) {
        Stack rest;
        for (std::int32_t i = 0; i <= pileTop; ++i) {
            rest.PushCard(std::make_unique<Card>(pile[i]));
        }
        perfect = rest.MeldLength() == pileTop + 1;
    }
    if (settings.EndOnShuffle == 0) {
        return perfect;
    }
    if (perfect) {
        ++perfectCount;
    }
    if (perfectCount >= PerfectMatchLimit) {
        perfectEnd = 1;
        return true;
    }
    return false;
}

void Deck::Shuffle()
{
    if (pileTop >= 0) {
        pileTop = std::min(pileTop, FreshCards - 1);
        std::copy_n(pile.begin(), pileTop + 1, pile.begin() + FreshCards);
    } else {
        // An ended pile starts afresh like an empty one.
        pileTop = -1;
    }
    for (std::int32_t i = 0; i < FreshCards; ++i) {
        pile[i] = i;
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (std::int32_t i = 0; i < FreshCards; ++i) {
            std::swap(pile[i], pile[RandomBelow(FreshCards)]);
        }
    }
    pileTop += FreshCards;
}

CardCode Deck::SwapRandom()
{
    const CardCode code = NextCode();
    if (settings.OneDeck != 0 && code != FallingCode()) {
        Reinsert(FallingCode());
    }
    return code;
}

CardCode Deck::SwapCompanion()
{
    return settings.OneDeck == 0 ? CompanionCode() : TakeCompanionFromPile();
}

CardCode Deck::SwapCycle()
{
    if (settings.OneDeck == 0) {
        return SwapRandom();
    }
    const CardCode code = pile[pileTop];
    if (pileTop > 0) {
        pile[pileTop] = pile[pileTop - 1];
        pile[pileTop - 1] = FallingCode();
    } else {
        pile[0] = FallingCode();
    }
    return code;
}

CardCode Deck::TakeCompanionFromPile()
{
    const CardCode companion = CompanionCode();
    const auto rest = PileCodes();
    const auto found = std::find(rest.begin(), rest.end(), companion);
    if (found == rest.end()) {
        return FallingCode();
    }
    const auto i = found - rest.begin();
    // The place above the top is the one the falling card was dealt from and
    // still holds its code; keeping it so makes a second swap undo the first.
    // A pile filled to its last place has no such place, so the falling code
    // goes in directly.
    if (pileTop + 1 < PileSize) {
        pile[i] = pile[pileTop + 1];
        pile[pileTop + 1] = companion;
    } else {
        pile[i] = FallingCode();
    }
    return companion;
}

CardCode Deck::CompanionCode() const
{
    const CardCode code = FallingCode();
    const std::int32_t rank = CardRank(code);
    if (rank == 12) {
        return code;
    }
    return MakeCardCode(11 - rank, CardSuit(code));
}

CardCode Deck::FallingCode() const { return sprite.GetCard()->GetCode(); }

} // namespace tw
