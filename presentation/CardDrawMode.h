#pragma once

#include <cstdint>

namespace tw {

// How a card is drawn. The values are the card-drawing component's modes
// where it draws them; EmptySlot is drawn by the game itself, and any other
// value goes to the component unchanged.
enum CardDrawMode : std::int32_t {
    FaceUp = 0,
    FaceDown = 1,
    Remove = 4, // never stored in a card: it is how a card is erased
    EmptySlot = 8,
};

} // namespace tw
