#pragma once

#include "cards32/CardMetrics.h"

#include <QPainterPath>
#include <QRectF>

namespace cards32 {

// The four suit symbols as filled outlines. Each is drawn upright and fills
// the given box; callers flip the painter for pips in the lower half.
class SuitShapes {
public:
    static QPainterPath path(Suit suit, const QRectF& box);

private:
    // Outlines in a unit box centred on the origin, x and y in [-0.5, 0.5].
    static QPainterPath unitClub();
    static QPainterPath unitDiamond();
    static QPainterPath unitHeart();
    static QPainterPath unitSpade();
};

} // namespace cards32
