#include "cards32/linux/PipLayout.h"

namespace cards32 {

namespace {

constexpr double kLeft = 19.5;
constexpr double kMiddle = 35.5;
constexpr double kRight = 51.5;
constexpr double kTop = 18.0;
constexpr double kBottom = 78.0;

// Rows are fractions of the way from the top row to the bottom row; the
// spacing (60 pixels) divides by 2, 3, 4 and 6 so every row lands on a
// whole pixel.
double row(double fraction)
{
    return kTop + (kBottom - kTop) * fraction;
}

PipLayout::Pip at(double x, double fraction)
{
    // A pip exactly on the middle row stays upright, as on printed cards.
    return {QPointF(x, row(fraction)), fraction > 0.5};
}

void addPair(std::vector<PipLayout::Pip>& out, double fraction)
{
    out.push_back(at(kLeft, fraction));
    out.push_back(at(kRight, fraction));
}

} // namespace

std::vector<PipLayout::Pip> PipLayout::pips(int rank)
{
    std::vector<Pip> out;
    const int count = rank + 1;
    switch (count) {
    case 1: out.push_back(at(kMiddle, 0.5)); break;
    case 2:
        out.push_back(at(kMiddle, 0.0));
        out.push_back(at(kMiddle, 1.0));
        break;
    case 3:
        out.push_back(at(kMiddle, 0.0));
        out.push_back(at(kMiddle, 0.5));
        out.push_back(at(kMiddle, 1.0));
        break;
    case 4:
    case 5:
        addPair(out, 0.0);
        addPair(out, 1.0);
        if (count == 5) {
            out.push_back(at(kMiddle, 0.5));
        }
        break;
    case 6:
    case 7:
    case 8:
        addPair(out, 0.0);
        addPair(out, 0.5);
        addPair(out, 1.0);
        if (count >= 7) {
            out.push_back(at(kMiddle, 0.25));
        }
        if (count == 8) {
            out.push_back(at(kMiddle, 0.75));
        }
        break;
    case 9:
    case 10:
        for (double f : {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}) {
            addPair(out, f);
        }
        if (count == 9) {
            out.push_back(at(kMiddle, 0.5));
        } else {
            out.push_back(at(kMiddle, 1.0 / 6.0));
            out.push_back(at(kMiddle, 5.0 / 6.0));
        }
        break;
    default: break;
    }
    return out;
}

} // namespace cards32
