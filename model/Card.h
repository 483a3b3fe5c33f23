#pragma once

#include <cstdint>

#include "model/GameDC.h"
#include "presentation/CardDrawMode.h"

namespace tw {

// rank * 4 + suit; rank 0 is the ace, 12 the king. The same number names the
// face to the card-drawing component.
using CardCode = std::int32_t;

constexpr std::int32_t CardRank(CardCode code) { return code >> 2; }
constexpr std::int32_t CardSuit(CardCode code) { return code & 3; }
constexpr CardCode MakeCardCode(std::int32_t rank, std::int32_t suit) { return rank * 4 + suit; }

// Always a heap object with exactly one owner at a time, deleted through its
// virtual destructor.
class Card {
public:
    explicit Card(CardCode code);
    virtual ~Card();

    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    CardCode GetCode() const;

    // Only stack base cards are ever switched away from FaceUp.
    void SetDrawMode(CardDrawMode mode);

    // Draws the card with its top-left corner at (x, y), or wipes its
    // rectangle with the background colour when it is not visible.
    void Draw(GameDC& dc, int x, int y, bool visible) const;

private:
    CardCode code;
    CardDrawMode drawMode = FaceUp;
    std::int32_t backDesign = 54;
};

} // namespace tw
