#pragma once

#include "cards32/CardMetrics.h"

#include <QPainter>

namespace cards32 {

// Runs paint twice: once as is and once turned half a turn about the card's
// centre. Corner indices and the two-headed court pictures are both made
// this way, which keeps a card identical when it is turned upside down.
template <typename Paint>
void paintBothWays(QPainter& painter, Paint paint)
{
    paint();
    painter.save();
    painter.translate(kCardWidth, kCardHeight);
    painter.rotate(180.0);
    paint();
    painter.restore();
}

} // namespace cards32
