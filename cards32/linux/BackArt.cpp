#include "cards32/linux/BackArt.h"

#include "cards32/CardMetrics.h"
#include "cards32/linux/CardBlank.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

#include "cards32/cards32.h"

namespace cards32 {

namespace {

// The white margin between the card edge and the pattern, in logical pixels.
constexpr int kMargin = 4;

struct Ink {
    QRgb ink;
    QRgb light;
};

// Index 1 is design 54, the back the game shows: deep blue with a pale
// lattice.
constexpr std::array<Ink, 4> kInks{{
    {qRgb(0xA8, 0x12, 0x24), qRgb(0xF6, 0xD8, 0xD8)}, // crimson
    {qRgb(0x1A, 0x3A, 0x8F), qRgb(0xDC, 0xE6, 0xFA)}, // royal blue
    {qRgb(0x17, 0x6B, 0x3A), qRgb(0xD6, 0xF0, 0xDE)}, // green
    {qRgb(0x5B, 0x2A, 0x86), qRgb(0xEA, 0xDD, 0xF5)}, // purple
}};

QRgb mix(QRgb a, QRgb b, double t)
{
    auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return qRgb(lerp(qRed(a), qRed(b)), lerp(qGreen(a), qGreen(b)), lerp(qBlue(a), qBlue(b)));
}

double wrap(double value, double period)
{
    const double r = std::fmod(value, period);
    return r < 0 ? r + period : r;
}

} // namespace

BackArt::Design BackArt::design(int number)
{
    const int index = number - CDT_FIRST_BACK;
    const Ink& ink = kInks[static_cast<std::size_t>(index % 4)];
    return {static_cast<Pattern>(index / 4), ink.ink, ink.light};
}

QRgb BackArt::patternAt(const Design& d, double u, double v)
{
    switch (d.pattern) {
    case Pattern::Lattice: {
        // Two sets of diagonal lines 8 pixels apart cross into small
        // diamonds, each with a bead of half-tone at its centre.
        const double a = wrap(u + v, 8.0);
        const double b = wrap(u - v, 8.0);
        if (a < 1.0 || b < 1.0) {
            return d.light;
        }
        if (a >= 4.0 && a < 5.0 && b >= 4.0 && b < 5.0) {
            return mix(d.ink, d.light, 0.6);
        }
        return d.ink;
    }
    case Pattern::Checks: {
        const int cell = static_cast<int>(std::floor(u / 4.0) + std::floor(v / 4.0));
        const bool rule = wrap(u, 4.0) < 1.0 || wrap(v, 4.0) < 1.0;
        if (rule) {
            return d.light;
        }
        return (cell % 2 == 0) ? d.ink : mix(d.ink, d.light, 0.3);
    }
    case Pattern::Weave: {
        // Basket weave: 6-pixel blocks of three strands, alternately running
        // across and down.
        const int block = static_cast<int>(std::floor(u / 6.0) + std::floor(v / 6.0));
        const double along = (block % 2 == 0) ? wrap(v, 2.0) : wrap(u, 2.0);
        return along < 1.0 ? d.ink : mix(d.ink, d.light, 0.55);
    }
    case Pattern::Dots: {
        // Offset rows of round dots.
        const double row = std::floor(v / 4.0);
        const double shift = std::fmod(row, 2.0) == 0.0 ? 0.0 : 2.0;
        const double du = wrap(u + shift, 4.0) - 2.0;
        const double dv = wrap(v, 4.0) - 2.0;
        return (du * du + dv * dv < 1.6) ? d.light : d.ink;
    }
    }
    return d.ink;
}

void BackArt::paint(QImage& image, int number, int scale)
{
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        CardBlank::paint(painter);
    }

    const Design d = design(number);
    const int left = kMargin * scale;
    const int top = kMargin * scale;
    const int right = (kCardWidth - kMargin) * scale;
    const int bottom = (kCardHeight - kMargin) * scale;
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = left; x < right; ++x) {
            // Distance in from the patterned area's edge, in logical pixels:
            // a one-pixel ink frame, a one-pixel white gap, then the pattern.
            const int inset = std::min({x - left, y - top, right - 1 - x, bottom - 1 - y}) / scale;
            QRgb color;
            if (inset == 0) {
                color = d.ink;
            } else if (inset == 1) {
                color = qRgb(0xFF, 0xFF, 0xFF);
            } else {
                // Sampled so that at scale 1 each pixel gets whole-number
                // coordinates; then two crossing one-pixel lines share a
                // pixel instead of kinking around each other.
                const double u = (x - left + 0.5) / scale - 0.5;
                const double v = (y - top + 0.5) / scale - 0.5;
                color = patternAt(d, u, v);
            }
            row[x] = color;
        }
    }
}

} // namespace cards32
