#pragma once

#include "cards32/CardMetrics.h"

#include <QColor>

namespace cards32 {

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
