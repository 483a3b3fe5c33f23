#pragma once

#include <QImage>

namespace cards32 {

// Card backs. Each design is one of four patterns in one of four inks; the
// patterns are computed per device pixel rather than stroked, so their fine
// lines fall on whole pixels at every scale instead of smearing into grey.
class BackArt {
public:
    enum class Pattern { Lattice, Checks, Weave, Dots };

    struct Design {
        Pattern pattern;
        QRgb ink;   // the pattern's dark colour
        QRgb light; // its light colour
    };

    // Valid for the numbers IsCardImage accepts as backs.
    static Design design(int number);

    // Paints the back onto image, which is a transparent card-sized image
    // at scale device pixels per logical pixel.
    static void paint(QImage& image, int number, int scale);

private:
    // Colour of the pattern at logical point (u, v) inside the patterned
    // area.
    static QRgb patternAt(const Design& d, double u, double v);
};

} // namespace cards32
