#include "presentation/ScaledOverlays.h"

#include "platform/ColorRef.h"
#include "platform/PixelView.h"

namespace tw {
namespace {

// The ring in the mask's logical pixels, each pixel covering [i, i + 1).
constexpr double kCentreX = 35.5, kCentreY = 47.5;
constexpr double kOuterX = 28.5, kOuterY = 30.5, kThickness = 7;
// The ring lightens the playfield through MERGEPAINT; the rest leaves it.
constexpr ColorRef kRing = Rgb(0xC0, 0xC0, 0xC0), kClear = Rgb(0xFF, 0xFF, 0xFF);

bool InsideEllipse(double x, double y, double radiusX, double radiusY)
{
    const double dx = (x - kCentreX) / radiusX, dy = (y - kCentreY) / radiusY;
    return dx * dx + dy * dy <= 1;
}

} // namespace

Bitmap ScaledRingMask(const Bitmap& mask, int scale)
{
    Bitmap scaled(mask.Width(), mask.Height(), scale);
    const PixelView view = scaled.Pixels();
    for (int row = 0; row < view.height; ++row) {
        for (int column = 0; column < view.width; ++column) {
            const double x = (column + 0.5) / scale, y = (row + 0.5) / scale;
            const bool ring = InsideEllipse(x, y, kOuterX, kOuterY) &&
                              !InsideEllipse(x, y, kOuterX - kThickness, kOuterY - kThickness);
            view.pixels[row * view.stride + column] = ToDevicePixel(ring ? kRing : kClear);
        }
    }
    return scaled;
}

Bitmap ScaledOutline(const Bitmap& outline, int scale)
{
    Bitmap scaled(outline.Width(), outline.Height(), scale);
    const PixelView view = scaled.Pixels();
    for (int row = 0; row < view.height; ++row) {
        for (int column = 0; column < view.width; ++column) {
            const ColorRef source = outline.GetPixel(column / scale, row / scale).value_or(kClear);
            view.pixels[row * view.stride + column] = ToDevicePixel(source);
        }
    }
    return scaled;
}

} // namespace tw
