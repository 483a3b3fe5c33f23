#pragma once

#include <QPointF>

#include <vector>

namespace cards32 {

// Where the suit symbols go on the ace to the ten, following the arrangement
// of ordinary printed cards: two outer columns and a middle one, with every
// symbol below the middle row printed upside down.
class PipLayout {
public:
    struct Pip {
        QPointF center; // logical pixels on the card
        bool inverted;  // turned half a turn, as in the lower half of a card
    };

    // Centres on a 71 x 96 card for rank 0 (ace) to 9 (ten); empty for the
    // court cards, which carry a picture instead.
    static std::vector<Pip> pips(int rank);

    // Size of one pip's box. Centres sit on half-pixel columns and whole-pixel
    // rows, so with these odd widths and even heights every box starts on a
    // pixel edge.
    static constexpr double kPipWidth = 11.0;
    static constexpr double kPipHeight = 12.0;
};

} // namespace cards32
