#pragma once

#include <cstdint>

namespace tw {

// Why a game ended, which decides what the player is told and asked. The
// values are the codes the game has always passed for them.
enum class GameOverReason : std::int32_t {
    NoRoom = 0,       // the next card's column was full
    OutOfCards = 1,   // a single deck ran out
    EndlessMatch = 2, // the rest of the deck was one meld too often
    Abandoned = 4,    // the player started a new game
};

} // namespace tw
