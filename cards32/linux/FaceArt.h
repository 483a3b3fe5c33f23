#pragma once

#include "cards32/CardMetrics.h"

class QPainter;

namespace cards32 {

// Paints the face of one card onto a painter already scaled to logical
// pixels: the blank, the two corner indices, then pips or a court picture.
class FaceArt {
public:
    static void paint(QPainter& painter, int rank, Suit suit);

private:
    static void paintIndex(QPainter& painter, int rank, Suit suit);
    static void paintPips(QPainter& painter, int rank, Suit suit);
    static void paintAce(QPainter& painter, Suit suit);
};

} // namespace cards32
