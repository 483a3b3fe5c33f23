#pragma once

#include "platform/Geometry.h"

namespace tw {

// Where the game's client area lies in the window's client rectangle and how
// large it is shown, in the window's own pixels.
struct ClientLayout {
    // Window pixels per logical pixel on the screen: the zoom times the
    // monitor's scale, a real number.
    double pixelsPerLogical = 1;
    // Device pixels per logical pixel of the image: the above times the
    // device ratio, rounded up to whole pixels so cards stay crisp; where it
    // is fractional, the image is smoothed down by less than one. Never above
    // Bitmap::kMaxScale, where the image is smoothed up instead.
    int imageScale = 1;
    // The game's client area in logical pixels.
    Size logical;
    // The top left of the client area in the window; left of or above it
    // where the area is a fraction of a logical pixel larger.
    Point origin;
    // Whether every image pixel is a whole number of device pixels, so the
    // image is shown without smoothing.
    bool exact = true;

    bool operator==(const ClientLayout&) const = default;
};

// The playfield (`least`, the smallest client area the game lays out in) is
// shown as large as the window holds it, never smaller than it is. The game
// centres its row across whatever width it is given, so the client area has
// the window's width; a window taller than the zoomed playfield shows it
// centred between two bands. `monitorScale` is the window pixels per logical
// pixel at zoom one, `deviceRatio` the device pixels per window pixel: Win32
// lays out in device pixels on a scaled monitor, Qt in device-independent
// pixels on a screen with a pixel ratio. Below a zoom of one the window shows
// the area as it is.
ClientLayout ClientLayoutFor(Size window, Size least, double monitorScale, double deviceRatio);

} // namespace tw
