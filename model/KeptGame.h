#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Card.h"

namespace tw {

// The rule settings a game is played under; they stay fixed for the length
// of a game, and a kept game goes on only under the same ones.
struct GameRules {
    std::int32_t SwapMode = 0;
    std::int32_t OneDeck = 0;
    std::int32_t EndOnShuffle = 0;
    std::int32_t LastStack = 0;
    std::int32_t UpDown = 0;
    std::int32_t CollapseRegime = 0;
    std::int32_t GetFaster = 0;
    std::int32_t ClearStacks = 0;

    // As the process-wide settings hold them now.
    static GameRules Current();
    bool operator==(const GameRules&) const = default;
};

// The dealer's state: the whole pile, stale places included, since a
// companion swap reads the place above the top.
struct KeptDeck {
    static constexpr std::size_t kPileSize = 104;

    std::array<CardCode, kPileSize> pile{};
    std::int32_t pileTop = -1;
    std::int32_t reshuffled = 0;
    std::int32_t perfectEnd = 0;
    std::int32_t perfectCount = 0;

    bool operator==(const KeptDeck&) const = default;
};

// A game in progress, whole enough to play on exactly as if it had never
// stopped: the same cards, score, tones and end, given the same keys and
// ticks. Positions are logical: the falling card is kept as its column and
// how far it has fallen from where cards are dealt, so a window of another
// size or zoom puts it back in the same place on the playfield.
struct KeptGame {
    static constexpr std::size_t kColumns = 7;

    GameRules rules;
    std::uint32_t randomState = 1; // the game's generator, for what it deals next
    std::array<std::vector<CardCode>, kColumns> stacks; // each from the bottom card up
    KeptDeck deck;
    CardCode fallingCard = 0;
    std::int32_t column = -1; // -1 until the first card was placed
    bool placed = false;      // the falling card was put over its column
    std::int32_t fallen = 0;  // pixels from the deal line towards the stacks
    std::int32_t score = 0;
    std::int32_t level = 0;
    std::int32_t cardsThisLevel = 0;
    std::int32_t dropInterval = 800;
    std::array<std::int32_t, kColumns> stackPoints{};
    std::array<std::int32_t, kColumns> pointsCountdown{};

    bool operator==(const KeptGame&) const = default;
};

// One line of text, with its version and a check of its whole, for the
// per-user store.
std::string KeptGameText(const KeptGame& game);

// The game the text holds, or nothing when it is damaged, cut short, of
// another version, or describes a board that play cannot reach (a card
// twice in a one-deck game, a column outside the row, a stack taller than
// play lets it grow, a drop interval the levels never give, a falling card
// past its stack, and the like). Never trusts the text: any input gives
// one of the two, without harm.
std::optional<KeptGame> ParseKeptGame(std::string_view text);

} // namespace tw
