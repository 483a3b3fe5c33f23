#pragma once

namespace cards32 {

// Every card is drawn on this grid of logical pixels; all art below is laid
// out against it, so the numbers are chosen to land strokes on pixel edges.
inline constexpr int kCardWidth = 71;
inline constexpr int kCardHeight = 96;
inline constexpr double kCornerRadius = 4.0;

// Scales beyond this would ask for images of hundreds of megabytes; no screen
// needs them, so they are refused rather than attempted.
inline constexpr int kMaxScale = 8;

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
