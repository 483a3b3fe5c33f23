#include "cards32/linux/CardBlank.h"

#include "cards32/CardMetrics.h"
#include "cards32/cards32.h"
#include "cards32/linux/Palette.h"

#include <QPainter>
#include <QPen>

namespace cards32 {

// The falling card's save-under relies on the see-through part of a card
// staying in its corners.
static_assert(kCornerRadius <= static_cast<double>(CDT_CORNER));

QPainterPath CardBlank::edgePath()
{
    // Half-pixel inset puts a one-pixel edge exactly on the outermost pixels.
    QPainterPath p;
    p.addRoundedRect(QRectF(0.5, 0.5, kCardWidth - 1.0, kCardHeight - 1.0),
                     kCornerRadius, kCornerRadius);
    return p;
}

void CardBlank::paint(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(palette::kOutline, 1.0));
    painter.setBrush(Qt::white);
    painter.drawPath(edgePath());
    painter.restore();
}

} // namespace cards32
