#include "cards32/linux/RankGlyphs.h"

#include "cards32/CardMetrics.h"

#include <QPainter>
#include <QPen>
#include <QTransform>

#include <cmath>

namespace cards32 {

namespace {

QPainterPath ellipse(double cx, double cy, double rx, double ry)
{
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), rx, ry);
    return p;
}

// Raised by a whole pixel above the other numerals, so it stays as sharp.
QPainterPath six()
{
    QPainterPath p;
    p.moveTo(5.9, 1.1);
    p.cubicTo(5.4, 0.3, 4.6, 0.0, 3.7, 0.0);
    p.cubicTo(1.9, 0.0, 1.0, 1.8, 1.0, 4.4);
    p.cubicTo(1.0, 7.0, 2.1, 8.0, 3.6, 8.0);
    p.cubicTo(5.1, 8.0, 6.1, 7.0, 6.1, 5.6);
    p.cubicTo(6.1, 4.2, 5.1, 3.3, 3.6, 3.3);
    p.cubicTo(2.3, 3.3, 1.4, 4.0, 1.0, 5.0);
    return p;
}

} // namespace

double RankGlyphs::width(int rank)
{
    return rank == kTen ? 10.0 : 7.0;
}

QPainterPath RankGlyphs::centerLine(int rank)
{
    switch (rank) {
    case kAce: return ace();
    case kTen: return ten();
    case kJack: return jack();
    case kQueen: return queen();
    case kKing: return king();
    default: return digit(rank + 1);
    }
}

QPainterPath RankGlyphs::underline(int rank)
{
    QPainterPath p;
    if (rank == 5 || rank == 8) {
        // Edges on whole pixels: one pixel thick and sharp at every scale.
        p.addRect(QRectF(1.0, 10.0, 5.0, 1.0));
    }
    return p;
}

void RankGlyphs::draw(QPainter& painter, int rank, double centerX, double top,
                      const QColor& color)
{
    // Round the box's left edge to a whole pixel so the straight strokes
    // keep their alignment wherever the index is placed.
    const double left = std::round(centerX - width(rank) / 2.0);
    QPen pen(color, kStroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(2.0);
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.translate(left, top);
    painter.drawPath(centerLine(rank));
    painter.fillPath(underline(rank), color);
    painter.restore();
}

QPainterPath RankGlyphs::ace()
{
    QPainterPath p;
    p.moveTo(0.6, 10.0);
    p.lineTo(3.5, 0.9);
    p.lineTo(6.4, 10.0);
    p.moveTo(2.0, 7.0);
    p.lineTo(5.0, 7.0);
    return p;
}

QPainterPath RankGlyphs::digit(int value)
{
    QPainterPath p;
    switch (value) {
    case 2:
        p.moveTo(1.1, 3.3);
        p.cubicTo(1.1, 1.7, 2.2, 1.0, 3.5, 1.0);
        p.cubicTo(4.9, 1.0, 6.0, 1.8, 6.0, 3.3);
        p.cubicTo(6.0, 4.9, 4.4, 5.9, 1.0, 9.0);
        p.lineTo(7.0, 9.0);
        break;
    case 3:
        p.moveTo(1.0, 2.3);
        p.cubicTo(1.6, 1.4, 2.6, 1.0, 3.6, 1.0);
        p.cubicTo(5.0, 1.0, 6.0, 1.8, 6.0, 3.0);
        p.cubicTo(6.0, 4.3, 5.0, 5.0, 3.3, 5.0);
        p.moveTo(3.3, 5.0);
        p.cubicTo(5.1, 5.0, 6.1, 5.8, 6.1, 7.0);
        p.cubicTo(6.1, 8.4, 5.0, 9.0, 3.6, 9.0);
        p.cubicTo(2.5, 9.0, 1.5, 8.6, 0.9, 7.7);
        break;
    case 4:
        p.moveTo(5.0, 0.0);
        p.lineTo(5.0, 10.0);
        p.moveTo(5.0, 1.0);
        p.lineTo(1.0, 7.0);
        p.lineTo(7.0, 7.0);
        break;
    case 5:
        p.moveTo(6.4, 1.0);
        p.lineTo(1.7, 1.0);
        p.lineTo(1.3, 5.0);
        p.cubicTo(2.0, 4.4, 2.8, 4.1, 3.6, 4.1);
        p.cubicTo(5.2, 4.1, 6.1, 5.2, 6.1, 6.6);
        p.cubicTo(6.1, 8.2, 5.0, 9.0, 3.5, 9.0);
        p.cubicTo(2.4, 9.0, 1.5, 8.6, 0.9, 7.8);
        break;
    case 6: p = six(); break;
    case 7:
        p.moveTo(0.5, 1.0);
        p.lineTo(6.2, 1.0);
        p.cubicTo(4.4, 3.4, 3.2, 6.2, 3.0, 10.0);
        break;
    case 8:
        p.addPath(ellipse(3.5, 3.0, 2.3, 2.0));
        p.addPath(ellipse(3.5, 7.0, 2.6, 2.0));
        break;
    case 9: {
        // A nine is a six turned half a turn about the six's own centre.
        QTransform turn;
        turn.translate(3.5, 4.0);
        turn.rotate(180.0);
        turn.translate(-3.5, -4.0);
        p = turn.map(six());
        break;
    }
    default: break;
    }
    return p;
}

QPainterPath RankGlyphs::ten()
{
    QPainterPath p;
    p.moveTo(-0.2, 2.6);
    p.lineTo(1.0, 1.6);
    p.moveTo(1.0, 0.0);
    p.lineTo(1.0, 10.0);
    p.addPath(ellipse(7.0, 5.0, 2.0, 4.0));
    return p;
}

QPainterPath RankGlyphs::jack()
{
    QPainterPath p;
    p.moveTo(2.5, 1.0);
    p.lineTo(7.0, 1.0);
    p.moveTo(5.0, 1.0);
    p.lineTo(5.0, 6.8);
    p.cubicTo(5.0, 8.4, 4.2, 9.0, 3.0, 9.0);
    p.cubicTo(1.9, 9.0, 1.1, 8.4, 0.9, 7.2);
    return p;
}

QPainterPath RankGlyphs::queen()
{
    QPainterPath p;
    p.addPath(ellipse(3.5, 4.8, 2.5, 3.8));
    p.moveTo(4.0, 7.0);
    p.lineTo(6.8, 10.0);
    return p;
}

QPainterPath RankGlyphs::king()
{
    QPainterPath p;
    p.moveTo(1.0, 0.0);
    p.lineTo(1.0, 10.0);
    p.moveTo(6.6, 0.3);
    p.lineTo(1.6, 6.0);
    p.moveTo(3.3, 4.2);
    p.lineTo(6.8, 10.0);
    return p;
}

} // namespace cards32
