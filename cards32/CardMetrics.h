#pragma once

#include <QColor>

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

namespace palette {
inline const QColor kRed{0xC8, 0x10, 0x2E};
inline const QColor kBlack{0x10, 0x10, 0x10};
inline const QColor kOutline{0x20, 0x20, 0x20};
inline const QColor kGold{0xE4, 0xB0, 0x38};
inline const QColor kGoldDark{0x9A, 0x6B, 0x12};
inline const QColor kBlue{0x24, 0x48, 0xA0};
inline const QColor kSkin{0xF8, 0xDC, 0xB4};
inline const QColor kPanel{0xFD, 0xF7, 0xE6};
} // namespace palette

inline QColor suitColor(Suit suit)
{
    return isRed(suit) ? palette::kRed : palette::kBlack;
}

} // namespace cards32
