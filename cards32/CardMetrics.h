#pragma once

#include "cards32/cards32.h"

namespace cards32 {

// Every card is drawn on this grid of logical pixels; all art below is laid
// out against it, so the numbers are chosen to land strokes on pixel edges.
inline constexpr int kCardWidth = 71;
inline constexpr int kCardHeight = 96;
inline constexpr double kCornerRadius = 4.0;

// The largest scale drawn; cards32.h says why.
inline constexpr int kMaxScale = CDT_MAX_SCALE;

enum class Suit { Clubs = 0, Diamonds = 1, Hearts = 2, Spades = 3 };

inline constexpr int kAce = 0;
inline constexpr int kTen = 9;
inline constexpr int kJack = 10;
inline constexpr int kQueen = 11;
inline constexpr int kKing = 12;

inline bool isRed(Suit suit)
{
    return suit == Suit::Diamonds || suit == Suit::Hearts;
}

} // namespace cards32
