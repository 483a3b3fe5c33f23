#pragma once

#include <QPainterPath>
#include <QPointF>

class QColor;
class QPainter;

namespace cards32 {

// The corner index letters and numerals, drawn as strokes of our own rather
// than from a font, so a card looks the same in every process and needs no
// font machinery at all.
//
// A glyph is a centre line stroked kStroke wide inside a kHeight-tall box.
// Vertical and horizontal strokes sit on whole-pixel centre lines, so with a
// 2-pixel pen they cover exactly two pixel columns or rows and stay sharp at
// the card's native size.
class RankGlyphs {
public:
    static constexpr double kStroke = 2.0;
    static constexpr double kHeight = 10.0;

    // Centre line of rank 0 (ace) to 12 (king), origin at the box's top left.
    static QPainterPath centerLine(int rank);

    // The bar under a six and a nine, filled, in the same box as the centre
    // line: upside down, as a covered card in a stack shows its index, a six
    // reads as a nine and a nine as a six but for it. Empty for the other
    // ranks. The two numerals sit a pixel higher to make room, so the bar
    // keeps a pixel clear of the numeral above and the suit below.
    static QPainterPath underline(int rank);

    // Width of the rank's box; the ten is wider than the rest.
    static double width(int rank);

    // Strokes the rank, and fills its underline, with its box centred horizontally on centerX and its
    // top at top.
    static void draw(QPainter& painter, int rank, double centerX, double top,
                     const QColor& color);

private:
    static QPainterPath digit(int value);
    static QPainterPath ace();
    static QPainterPath ten();
    static QPainterPath jack();
    static QPainterPath queen();
    static QPainterPath king();
};

} // namespace cards32
