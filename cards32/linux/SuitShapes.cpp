#include "cards32/linux/SuitShapes.h"

#include <QTransform>

namespace cards32 {

QPainterPath SuitShapes::path(Suit suit, const QRectF& box)
{
    QPainterPath unit;
    switch (suit) {
    case Suit::Clubs: unit = unitClub(); break;
    case Suit::Diamonds: unit = unitDiamond(); break;
    case Suit::Hearts: unit = unitHeart(); break;
    case Suit::Spades: unit = unitSpade(); break;
    }
    QTransform toBox;
    toBox.translate(box.center().x(), box.center().y());
    toBox.scale(box.width(), box.height());
    return toBox.map(unit);
}

QPainterPath SuitShapes::unitHeart()
{
    QPainterPath p;
    p.moveTo(0.0, 0.5);
    p.cubicTo(-0.12, 0.30, -0.5, 0.10, -0.5, -0.20);
    p.cubicTo(-0.5, -0.40, -0.36, -0.5, -0.24, -0.5);
    p.cubicTo(-0.10, -0.5, -0.02, -0.40, 0.0, -0.30);
    p.cubicTo(0.02, -0.40, 0.10, -0.5, 0.24, -0.5);
    p.cubicTo(0.36, -0.5, 0.5, -0.40, 0.5, -0.20);
    p.cubicTo(0.5, 0.10, 0.12, 0.30, 0.0, 0.5);
    p.closeSubpath();
    return p;
}

QPainterPath SuitShapes::unitDiamond()
{
    // Slightly hollow sides read as a playing-card diamond rather than a
    // plain rhombus.
    QPainterPath p;
    p.moveTo(0.0, -0.5);
    p.quadTo(0.17, -0.20, 0.40, 0.0);
    p.quadTo(0.17, 0.20, 0.0, 0.5);
    p.quadTo(-0.17, 0.20, -0.40, 0.0);
    p.quadTo(-0.17, -0.20, 0.0, -0.5);
    p.closeSubpath();
    return p;
}

QPainterPath SuitShapes::unitSpade()
{
    QPainterPath p;
    p.moveTo(0.0, -0.5);
    p.cubicTo(0.14, -0.30, 0.5, -0.12, 0.5, 0.12);
    p.cubicTo(0.5, 0.30, 0.38, 0.38, 0.25, 0.38);
    p.cubicTo(0.14, 0.38, 0.07, 0.33, 0.04, 0.26);
    p.cubicTo(0.06, 0.40, 0.13, 0.47, 0.22, 0.5);
    p.lineTo(-0.22, 0.5);
    p.cubicTo(-0.13, 0.47, -0.06, 0.40, -0.04, 0.26);
    p.cubicTo(-0.07, 0.33, -0.14, 0.38, -0.25, 0.38);
    p.cubicTo(-0.38, 0.38, -0.5, 0.30, -0.5, 0.12);
    p.cubicTo(-0.5, -0.12, -0.14, -0.30, 0.0, -0.5);
    p.closeSubpath();
    return p;
}

QPainterPath SuitShapes::unitClub()
{
    // Three overlapping leaves and a stem, merged into one silhouette so the
    // overlaps neither double up nor cancel out.
    const double r = 0.235;
    auto leaf = [r](double x, double y) {
        QPainterPath e;
        e.addEllipse(QPointF(x, y), r, r);
        return e;
    };
    QPainterPath heart;
    heart.addEllipse(QPointF(0.0, 0.02), 0.14, 0.14);

    QPainterPath stem;
    stem.moveTo(-0.05, 0.05);
    stem.lineTo(0.05, 0.05);
    stem.cubicTo(0.06, 0.30, 0.12, 0.44, 0.22, 0.5);
    stem.lineTo(-0.22, 0.5);
    stem.cubicTo(-0.12, 0.44, -0.06, 0.30, -0.05, 0.05);
    stem.closeSubpath();

    return leaf(0.0, -0.265)
        .united(leaf(-0.265, 0.09))
        .united(leaf(0.265, 0.09))
        .united(heart)
        .united(stem);
}

} // namespace cards32
