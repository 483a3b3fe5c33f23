#pragma once

#include <cstdint>
#include <memory>

#include "model/Card.h"
#include "model/CardNode.h"
#include "model/Meld.h"

namespace tw {

class Deck;
struct GameDC;

// One column of landed cards. The stack owns its cards and the nodes that
// chain them, from the last landed card (topNode) down to a sentinel base node
// carrying an EmptySlot card, which marks the empty column on screen and which
// no rule ever looks at.
class Stack {
public:
    // Distance between neighbouring cards on a stack, in pixels.
    static constexpr std::int32_t CardStep = 24;

    Stack();
    virtual ~Stack();

    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    void SetPosition(std::int32_t x, std::int32_t y);
    std::int32_t GetX() const;
    std::int32_t GetY() const;
    std::int32_t GetCount() const;

    // For drawing: walk GetNext() from the top node down to the base node.
    const CardNode* GetTopNode() const;
    const CardNode* GetBaseNode() const;

    // Takes ownership; 1, or 0 (and nothing pushed) for a null card.
    std::int32_t PushCard(std::unique_ptr<Card> card);
    // Null when the stack is empty.
    std::unique_ptr<Card> PopTop();
    // Deletes every card down to the base; 1.
    std::int32_t Clear();

    // The y at which the next card would lie.
    std::int32_t LandingY() const;
    // Pixels a falling card with its top edge at cardY still has to travel in
    // the falling direction; 0 when it rests on the stack, negative when it is
    // already past the top card.
    std::int32_t DistanceToLanding(std::int32_t x, std::int32_t cardY) const;

    // Cards at the top forming a meld under the current CollapseRegime, 0 if
    // none. Whether that is enough to collapse is the caller's decision.
    std::int32_t MeldLength() const;
    // Raw points of a meld of the n top cards, before any is removed.
    std::int32_t MeldPoints(std::int32_t n) const;

    // The base card, then every card from the bottom up, each overlapping
    // the one beneath it.
    void Draw(GameDC& dc) const;
    // Removes the n top cards with a rising tone each and returns their
    // points. With a deck and OneDeck 2 every removed code goes back into it.
    std::int32_t Collapse(GameDC& dc, std::int32_t n, Deck* deck);
    // What a card costs when the stacks are cleared at a new level.
    static std::int32_t ClearingValue(CardCode code);
    // Removes every card with a low tone each and returns their clearing
    // value; the emptied stack is left for the caller to draw.
    std::int32_t ClearAnimated(GameDC& dc);

private:
    std::int32_t SetRunMeldLength(bool aceHigh) const;
    HandKind PokerHand(bool aceHigh) const;
    std::int32_t PokerMeldLength(bool aceHigh) const;
    std::int32_t TwentyOneLength(bool aceHigh) const;

    std::int32_t SetRunPoints(std::int32_t n) const;
    std::int32_t PokerPoints() const;
    double PokerCardSum(HandKind hand, bool aceHigh) const;
    std::int32_t TwentyOnePoints(std::int32_t n) const;

    CardNode* topNode;
    CardNode* baseNode;
    std::int32_t count = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

} // namespace tw
