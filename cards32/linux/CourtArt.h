#pragma once

#include "cards32/CardMetrics.h"

class QPainter;

namespace cards32 {

// The pictures on the jack, queen and king: a framed two-headed portrait in
// the suit's colour. The headwear tells the ranks apart at a glance: the
// king wears a pointed crown and a beard, the queen a small round-tipped
// tiara over long hair, the jack a feathered cap.
class CourtArt {
public:
    // Paints the framed picture; the painter is in logical card pixels.
    static void paint(QPainter& painter, int rank, Suit suit);

private:
    static void paintHalf(QPainter& painter, int rank, Suit suit);
    static void paintRobe(QPainter& painter, int rank, Suit suit);
    static void paintHeld(QPainter& painter, int rank, Suit suit);
    static void paintHead(QPainter& painter, int rank, Suit suit);
    static void paintCrown(QPainter& painter);
    static void paintTiara(QPainter& painter);
    static void paintCap(QPainter& painter, Suit suit);
};

} // namespace cards32
