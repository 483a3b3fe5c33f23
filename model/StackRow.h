#pragma once

#include <cstdint>
#include <memory>

#include "model/Card.h"
#include "platform/Geometry.h"

namespace tw {

class Deck;
class Stack;
struct GameDC;

// A stack's place in the row. Destroying the node destroys its stack, and
// with it every card on it.
class StackNode {
public:
    explicit StackNode(std::unique_ptr<Stack> stack);
    virtual ~StackNode();
    StackNode(const StackNode&) = delete;
    StackNode& operator=(const StackNode&) = delete;

    Stack* GetStack() const { return stack.get(); }
    StackNode* GetNext() const { return next; }
    void SetNext(StackNode* node) { next = node; }
    StackNode* GetPrev() const { return prev; }
    void SetPrev(StackNode* node) { prev = node; }

private:
    std::unique_ptr<Stack> stack;
    StackNode* next = nullptr;
    StackNode* prev = nullptr;
};

// Where the row lies in the client area after a layout.
struct RowLayout {
    std::int32_t startX = 0;      // x of a card over the start column
    std::int32_t dealY = 0;       // y at which new cards are dealt
    std::int32_t startColumn = 0; // where new cards appear without LastStack
    Rect rowRect;                 // the band of the seven base positions
};

// The seven stacks of a game, columns 0 to 6 from the left. It places them
// in the client area and passes every per-column request to its stack.
class StackRow {
public:
    static constexpr std::int32_t kColumns = 7;
    // Cards are dealt twelve stacking steps from the stack bases.
    static constexpr std::int32_t kDealDistance = 288;
    static constexpr std::int32_t kGap = 20; // between neighbouring stacks
    // Where the stack bases lie below the client area's top: low with cards
    // falling down, near the top with stacks hanging from it.
    static constexpr std::int32_t kBaseFromTop = 308;
    static constexpr std::int32_t kBaseFromTopUpsideDown = 20;

    StackRow(int cardWidth, int cardHeight);
    virtual ~StackRow();
    StackRow(const StackRow&) = delete;
    StackRow& operator=(const StackRow&) = delete;

    void CreateStacks();
    // Takes ownership of the stack and puts it right of the last column; 1.
    std::int32_t Append(std::unique_ptr<Stack> stack);
    // Null for a column the row does not have.
    Stack* GetStack(std::int32_t column) const;
    std::int32_t GetCount() const { return count; }

    void DrawAll(GameDC& dc) const;
    // Centres the row in the client area and puts the stack bases low in it,
    // or near its top when play is upside down.
    RowLayout Layout(const Rect& clientRect);

    // Per-column requests. A column outside the row has no cards and no
    // meld, and a card can neither move onto it nor land there.
    std::int32_t DistanceToLanding(std::int32_t x, std::int32_t y, std::int32_t column) const;
    std::int32_t PushCard(std::int32_t column, std::unique_ptr<Card> card);
    std::int32_t LandingY(std::int32_t column) const;
    std::int32_t CardCount(std::int32_t column) const;
    std::int32_t MeldLength(std::int32_t column) const;
    std::int32_t Collapse(GameDC& dc, std::int32_t column, std::int32_t n, Deck* deck);

    // Empties every stack, column 0 first, and returns the summed clearing
    // value of the cards removed.
    std::int32_t ClearAll(GameDC& dc);

private:
    StackNode* first = nullptr;
    std::int32_t count = 0;
    int cardWidth;
    int cardHeight;
};

} // namespace tw
