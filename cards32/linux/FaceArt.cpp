#include "cards32/linux/FaceArt.h"

#include "cards32/linux/CardBlank.h"
#include "cards32/linux/CourtArt.h"
#include "cards32/linux/HalfTurn.h"
#include "cards32/linux/Palette.h"
#include "cards32/linux/PipLayout.h"
#include "cards32/linux/RankGlyphs.h"
#include "cards32/linux/SuitShapes.h"

#include <QPainter>
#include <QPen>

namespace cards32 {

namespace {

constexpr double kIndexCenterX = 6.5;
constexpr double kIndexRankTop = 4.0;
const QRectF kIndexPipBox(3.0, 16.0, 7.0, 7.0);

} // namespace

void FaceArt::paint(QPainter& painter, int rank, Suit suit)
{
    CardBlank::paint(painter);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (rank >= kJack) {
        CourtArt::paint(painter, rank, suit);
    } else if (rank == kAce) {
        paintAce(painter, suit);
    } else {
        paintPips(painter, rank, suit);
    }
    paintIndex(painter, rank, suit);
    painter.restore();
}

void FaceArt::paintIndex(QPainter& painter, int rank, Suit suit)
{
    const QColor color = suitColor(suit);
    paintBothWays(painter, [&] {
        RankGlyphs::draw(painter, rank, kIndexCenterX, kIndexRankTop, color);
        painter.fillPath(SuitShapes::path(suit, kIndexPipBox), color);
    });
}

void FaceArt::paintPips(QPainter& painter, int rank, Suit suit)
{
    const QColor color = suitColor(suit);
    const QRectF box(-PipLayout::kPipWidth / 2.0, -PipLayout::kPipHeight / 2.0,
                     PipLayout::kPipWidth, PipLayout::kPipHeight);
    const QPainterPath shape = SuitShapes::path(suit, box);
    for (const PipLayout::Pip& pip : PipLayout::pips(rank)) {
        painter.save();
        painter.translate(pip.center);
        if (pip.inverted) {
            painter.rotate(180.0);
        }
        painter.fillPath(shape, color);
        painter.restore();
    }
}

void FaceArt::paintAce(QPainter& painter, Suit suit)
{
    const QColor color = suitColor(suit);
    const QPointF center(kCardWidth / 2.0, kCardHeight / 2.0);
    if (suit != Suit::Spades) {
        painter.fillPath(SuitShapes::path(suit, QRectF(center.x() - 10.5, center.y() - 11.0, 21.0, 22.0)), color);
        return;
    }

    // The ace of spades carries the deck's flourish: a large spade with an
    // inner white line echoing its outline, and a small jewel at the heart.
    const QRectF big(center.x() - 16.5, center.y() - 19.0, 33.0, 38.0);
    painter.fillPath(SuitShapes::path(suit, big), color);
    const QRectF inner(center.x() - 12.5, center.y() - 15.0, 25.0, 29.0);
    painter.strokePath(SuitShapes::path(suit, inner), QPen(Qt::white, 1.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kGold);
    painter.drawEllipse(QPointF(center.x(), center.y() + 1.0), 3.0, 3.0);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(center.x(), center.y() + 1.0), 1.2, 1.2);
}

} // namespace cards32
