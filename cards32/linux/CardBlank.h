#pragma once

#include <QPainterPath>

class QPainter;

namespace cards32 {

// The white card with rounded corners and a thin dark edge that faces and
// backs are both drawn on.
class CardBlank {
public:
    // The card's outline through the middle of its edge line.
    static QPainterPath edgePath();

    // Fills the card white and draws its edge; everything outside the
    // rounded outline is left as it was (transparent on a fresh image).
    static void paint(QPainter& painter);
};

} // namespace cards32
