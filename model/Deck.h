#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "model/Card.h"
#include "model/CardSprite.h"
#include "model/GameOverReason.h"

namespace tw {

struct KeptDeck;

// Decides which card falls next and what a swap turns the falling card into,
// and holds the falling card itself through its sprite.
//
// OneDeck 0 deals random cards; any other value deals from a shuffled pile of
// 52 that is shuffled afresh when it runs out; 2 also takes collapsed cards
// back into the pile and watches for a rest of the pile that is one meld.
// A stored OneDeck other than 0, 1 or 2 therefore plays as 1.
//
// The order of the random draws is part of the behaviour: one seed must deal
// the same cards everywhere.
class Deck {
public:
    static constexpr std::int32_t PileSize = 104;
    static constexpr std::int32_t FreshCards = 52;
    // Dealing with EndOnShuffle on ends the game at this many draws that
    // found the rest of the pile to be one meld.
    static constexpr std::int32_t PerfectMatchLimit = 32;
    // pileTop once dealing has ended the game; the status line then reads 0.
    static constexpr std::int32_t EndedPileTop = -2;

    Deck() = default;
    // A kept dealer with its falling card, not yet placed.
    Deck(const KeptDeck& kept, CardCode falling);
    virtual ~Deck();

    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    // A new falling card at (0, 0). False when dealing ends the game: with
    // OneDeck 2 and EndOnShuffle, at every draw that had to shuffle. The very
    // first deal of a game always shuffles; the board ignores its result.
    bool Deal();
    // EndlessMatch when the rest of the pile was one meld too often, else
    // OutOfCards when the last draw shuffled, else NoRoom (dealing has not
    // ended, and nobody asks).
    GameOverReason EndReason() const;

    // Replaces the falling card under SwapMode. Nothing happens with swapping
    // disabled (4) or an unknown mode, without a falling card, or with a pile
    // that is empty or ended. The card keeps its position and saved pixels;
    // the caller redraws it.
    void Swap();

    // Puts a collapsed or swapped-away code back at a random place. 1, or 0
    // when the code is dropped: the pile is full (104 codes), dealing has
    // ended, or the code is no card at all.
    std::int32_t Reinsert(CardCode code);

    // Codes left in the pile; -1 once dealing has ended.
    std::int32_t RemainingCount() const;
    // Values below EndedPileTop or past the last place are brought to the
    // nearer of the two.
    void SetPileTop(std::int32_t top);
    // The codes left, the next to deal last.
    std::span<const CardCode> PileCodes() const;

    KeptDeck Keep() const;
    // The code of the card now falling; there always is one once dealt.
    CardCode FallingCode() const;

    std::int32_t GetX() const;
    std::int32_t GetY() const;
    // Moves without drawing.
    void SetPosition(std::int32_t newX, std::int32_t newY);
    CardSprite& Sprite();
    const CardSprite& Sprite() const;

private:
    CardCode NextCode();
    CardCode DrawFromPile();
    bool IsPerfectMatch();
    void Shuffle();
    CardCode SwapRandom();
    CardCode SwapCompanion();
    CardCode SwapCycle();
    CardCode TakeCompanionFromPile();
    CardCode CompanionCode() const;

    // pile[pileTop] is dealt next, then downward to pile[0]. After a shuffle
    // places 0..51 hold the fresh deck and 52 up the rest carried over.
    std::array<CardCode, PileSize> pile{};
    std::int32_t pileTop = -1;
    std::int32_t reshuffled = 0;
    std::int32_t perfectEnd = 0;
    std::int32_t perfectCount = 0;
    // The falling card, its position and its save-under.
    CardSprite sprite;
};

} // namespace tw
