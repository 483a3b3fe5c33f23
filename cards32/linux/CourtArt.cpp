#include "cards32/linux/CourtArt.h"

#include "cards32/linux/HalfTurn.h"
#include "cards32/linux/Palette.h"
#include "cards32/linux/SuitShapes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>

namespace cards32 {

namespace {

// The frame sits between the two corner indices. Its edges are whole pixels
// so the one-pixel frame line is sharp; the figure inside is drawn in
// coordinates relative to the frame's top-left corner.
const QRectF kPanel(14.0, 6.0, 43.0, 84.0);

// The two halves meet on a slanted line through the card's centre, as on
// printed court cards; the slant is symmetric under the half turn.
constexpr double kSplitLeftY = 45.0;
constexpr double kSplitRightY = 39.0;

constexpr double kFigureX = 21.5;

const QColor kHair(0xB8, 0x7A, 0x22);
const QColor kBeard(0x6E, 0x42, 0x1E);
const QColor kFeature(0x40, 0x28, 0x18);

QPen thinPen(const QColor& color, double width = 0.7)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void CourtArt::paint(QPainter& painter, int rank, Suit suit)
{
    const QColor ink = suitColor(suit);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(kPanel, palette::kPanel);

    paintBothWays(painter, [&] {
        painter.save();
        painter.translate(kPanel.topLeft());
        QPolygonF upper;
        upper << QPointF(0, 0) << QPointF(kPanel.width(), 0)
              << QPointF(kPanel.width(), kSplitRightY) << QPointF(0, kSplitLeftY);
        painter.setClipRegion(QRegion(upper.toPolygon()));
        paintHalf(painter, rank, suit);
        painter.restore();
    });

    painter.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(kPanel.left(), kPanel.top() + kSplitLeftY),
                     QPointF(kPanel.right(), kPanel.top() + kSplitRightY));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kPanel.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

void CourtArt::paintHalf(QPainter& painter, int rank, Suit suit)
{
    paintRobe(painter, rank, suit);
    paintHeld(painter, rank, suit);
    paintHead(painter, rank, suit);
    painter.fillPath(SuitShapes::path(suit, QRectF(3.0, 3.0, 7.0, 7.0)), suitColor(suit));
}

void CourtArt::paintRobe(QPainter& painter, int rank, Suit suit)
{
    const QColor ink = suitColor(suit);
    QPainterPath robe;
    robe.moveTo(4.0, 48.0);
    robe.lineTo(6.0, 30.0);
    robe.cubicTo(7.0, 25.0, 11.0, 23.0, 16.0, 22.5);
    robe.lineTo(27.0, 22.5);
    robe.cubicTo(32.0, 23.0, 36.0, 25.0, 37.0, 30.0);
    robe.lineTo(39.0, 48.0);
    robe.closeSubpath();
    painter.fillPath(robe, ink);

    // Gold trim down the front and across the shoulders.
    QPainterPath trim;
    trim.moveTo(19.5, 26.0);
    trim.lineTo(23.5, 26.0);
    trim.lineTo(23.5, 48.0);
    trim.lineTo(19.5, 48.0);
    trim.closeSubpath();
    painter.fillPath(trim, palette::kGold);
    painter.strokePath(robe, thinPen(palette::kGoldDark, 0.8));

    // Side panels in blue give the robe a second colour and keep black suits
    // from reading as one dark mass.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kBlue);
    painter.drawRect(QRectF(9.0, 31.0, 6.0, 17.0));
    painter.drawRect(QRectF(28.0, 31.0, 6.0, 17.0));
    painter.setBrush(palette::kGold);
    for (double y = 33.0; y < 48.0; y += 4.0) {
        painter.drawEllipse(QPointF(12.0, y), 1.0, 1.0);
        painter.drawEllipse(QPointF(31.0, y), 1.0, 1.0);
    }

    // Collar: ermine for the king, pearls for the queen, a plain band for
    // the jack.
    QPainterPath collar;
    collar.moveTo(13.0, 23.5);
    collar.cubicTo(16.0, 28.5, 27.0, 28.5, 30.0, 23.5);
    if (rank == kKing) {
        painter.strokePath(collar, QPen(Qt::white, 3.0, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(palette::kBlack);
        for (double x : {15.5, 19.0, 24.0, 27.5}) {
            painter.drawEllipse(QPointF(x, 25.3 + (x > 17 && x < 26 ? 1.0 : 0.0)), 0.5, 0.7);
        }
    } else if (rank == kQueen) {
        painter.setBrush(Qt::white);
        painter.setPen(thinPen(palette::kGoldDark, 0.4));
        for (double t = 0.0; t <= 1.0001; t += 1.0 / 7.0) {
            painter.drawEllipse(collar.pointAtPercent(t), 1.1, 1.1);
        }
        painter.setPen(Qt::NoPen);
    } else {
        painter.strokePath(collar, QPen(palette::kGold, 2.0, Qt::SolidLine, Qt::RoundCap));
    }

    // The suit on a white medallion across the chest.
    painter.setBrush(Qt::white);
    painter.setPen(thinPen(palette::kGoldDark, 0.8));
    painter.drawEllipse(QPointF(kFigureX, 36.0), 4.8, 4.8);
    painter.fillPath(SuitShapes::path(suit, QRectF(kFigureX - 3.0, 33.0, 6.0, 6.0)), ink);
}

void CourtArt::paintHeld(QPainter& painter, int rank, Suit suit)
{
    painter.save();
    if (rank == kKing) {
        // Sceptre topped with an orb.
        painter.setPen(QPen(palette::kGoldDark, 1.8, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(36.5, 44.0), QPointF(36.5, 12.0));
        painter.setPen(thinPen(palette::kGoldDark, 0.7));
        painter.setBrush(palette::kGold);
        painter.drawEllipse(QPointF(36.5, 9.5), 2.6, 2.6);
        painter.drawLine(QPointF(36.5, 6.9), QPointF(36.5, 4.0));
        painter.drawLine(QPointF(35.2, 5.2), QPointF(37.8, 5.2));
        painter.setBrush(palette::kSkin);
        painter.drawEllipse(QPointF(36.5, 29.0), 2.2, 2.0);
    } else if (rank == kQueen) {
        // A long-stemmed flower.
        painter.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 1.0, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        QPainterPath stem;
        stem.moveTo(7.5, 30.0);
        stem.cubicTo(6.0, 24.0, 8.5, 20.0, 7.5, 15.0);
        painter.drawPath(stem);
        painter.setPen(thinPen(palette::kGoldDark, 0.5));
        painter.setBrush(isRed(suit) ? palette::kGold : palette::kRed);
        for (int i = 0; i < 5; ++i) {
            QTransform t;
            t.translate(7.5, 13.0);
            t.rotate(72.0 * i);
            painter.drawEllipse(t.map(QPointF(0.0, -2.0)), 1.5, 1.5);
        }
        painter.setBrush(palette::kGold);
        painter.drawEllipse(QPointF(7.5, 13.0), 1.2, 1.2);
        painter.setBrush(palette::kSkin);
        painter.drawEllipse(QPointF(7.5, 29.0), 2.2, 2.0);
    } else {
        // Halberd: shaft with a blade.
        painter.setPen(QPen(kBeard, 1.6, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(36.5, 44.0), QPointF(36.5, 3.0));
        QPainterPath blade;
        blade.moveTo(36.5, 6.0);
        blade.cubicTo(40.0, 5.5, 41.5, 8.0, 41.5, 10.0);
        blade.cubicTo(40.0, 12.5, 38.0, 13.0, 36.5, 13.0);
        blade.closeSubpath();
        painter.setPen(thinPen(palette::kOutline, 0.6));
        painter.setBrush(QColor(0xC8, 0xD0, 0xDC));
        painter.drawPath(blade);
        painter.setBrush(palette::kSkin);
        painter.drawEllipse(QPointF(36.5, 29.0), 2.2, 2.0);
    }
    painter.restore();
}

void CourtArt::paintHead(QPainter& painter, int rank, Suit suit)
{
    painter.save();
    const QPointF face(kFigureX, 14.5);

    if (rank == kQueen) {
        // Long hair falls behind the face to the shoulders.
        QPainterPath hair;
        hair.moveTo(kFigureX, 7.0);
        hair.cubicTo(14.0, 7.0, 15.0, 18.0, 13.0, 24.5);
        hair.lineTo(30.0, 24.5);
        hair.cubicTo(28.0, 18.0, 29.0, 7.0, kFigureX, 7.0);
        painter.fillPath(hair, kHair);
    }

    painter.setPen(thinPen(palette::kOutline, 0.7));
    painter.setBrush(palette::kSkin);
    painter.drawRect(QRectF(19.5, 19.0, 4.0, 4.0)); // neck
    painter.drawEllipse(face, 4.6, 5.5);

    if (rank == kKing) {
        QPainterPath beard;
        beard.moveTo(16.9, 15.0);
        beard.cubicTo(17.0, 21.0, 19.0, 24.5, kFigureX, 25.0);
        beard.cubicTo(24.0, 24.5, 26.0, 21.0, 26.1, 15.0);
        beard.cubicTo(25.0, 18.5, 18.0, 18.5, 16.9, 15.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBeard);
        painter.drawPath(beard);
    } else if (rank == kJack) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kHair);
        painter.drawEllipse(QPointF(17.3, 13.5), 1.6, 2.6);
        painter.drawEllipse(QPointF(25.7, 13.5), 1.6, 2.6);
    }

    // Eyes and mouth.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFeature);
    painter.drawEllipse(QPointF(19.7, 13.8), 0.6, 0.6);
    painter.drawEllipse(QPointF(23.3, 13.8), 0.6, 0.6);
    painter.setPen(thinPen(rank == kKing ? palette::kSkin : palette::kRed, 0.7));
    painter.drawLine(QPointF(20.5, 17.6), QPointF(22.5, 17.6));

    if (rank == kKing) {
        paintCrown(painter);
    } else if (rank == kQueen) {
        paintTiara(painter);
    } else {
        paintCap(painter, suit);
    }
    painter.restore();
}

void CourtArt::paintCrown(QPainter& painter)
{
    QPolygonF crown;
    crown << QPointF(15.5, 10.5) << QPointF(14.5, 2.5) << QPointF(18.3, 6.5)
          << QPointF(kFigureX, 1.0) << QPointF(24.7, 6.5) << QPointF(28.5, 2.5)
          << QPointF(27.5, 10.5);
    painter.setPen(thinPen(palette::kGoldDark, 0.7));
    painter.setBrush(palette::kGold);
    painter.drawPolygon(crown);
    painter.drawLine(QPointF(15.6, 9.0), QPointF(27.4, 9.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kRed);
    painter.drawEllipse(QPointF(kFigureX, 7.0), 1.1, 1.1);
    painter.setBrush(palette::kBlue);
    painter.drawEllipse(QPointF(17.8, 8.0), 0.8, 0.8);
    painter.drawEllipse(QPointF(25.2, 8.0), 0.8, 0.8);
}

void CourtArt::paintTiara(QPainter& painter)
{
    painter.setPen(thinPen(palette::kGoldDark, 0.6));
    painter.setBrush(palette::kGold);
    QPainterPath band;
    band.moveTo(16.5, 10.0);
    band.cubicTo(18.0, 7.0, 25.0, 7.0, 26.5, 10.0);
    band.lineTo(26.0, 8.0);
    band.cubicTo(24.0, 5.5, 19.0, 5.5, 17.0, 8.0);
    band.closeSubpath();
    painter.drawPath(band);
    painter.drawEllipse(QPointF(17.8, 6.3), 1.2, 1.2);
    painter.drawEllipse(QPointF(kFigureX, 4.3), 1.5, 1.5);
    painter.drawEllipse(QPointF(25.2, 6.3), 1.2, 1.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kRed);
    painter.drawEllipse(QPointF(kFigureX, 4.3), 0.7, 0.7);
}

void CourtArt::paintCap(QPainter& painter, Suit suit)
{
    // A soft cap worn at an angle, with a feather in the suit's colour.
    QPainterPath feather;
    feather.moveTo(26.0, 7.5);
    feather.cubicTo(29.0, 3.0, 32.0, 1.5, 34.0, 1.5);
    feather.cubicTo(32.5, 4.0, 30.0, 6.5, 26.5, 8.5);
    feather.closeSubpath();
    painter.setPen(thinPen(palette::kOutline, 0.5));
    painter.setBrush(isRed(suit) ? palette::kRed : palette::kGold);
    painter.drawPath(feather);

    QPainterPath cap;
    cap.moveTo(14.5, 10.5);
    cap.cubicTo(14.0, 5.0, 19.0, 3.0, 23.0, 3.5);
    cap.cubicTo(27.0, 4.0, 29.5, 6.5, 29.0, 10.0);
    cap.closeSubpath();
    painter.setPen(thinPen(palette::kOutline, 0.6));
    painter.setBrush(palette::kBlue);
    painter.drawPath(cap);
    painter.setPen(QPen(palette::kGold, 1.2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(14.8, 9.6), QPointF(28.8, 9.2));
}

} // namespace cards32
