#include "platform/ClientLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/Bitmap.h"

namespace tw {

ClientLayout ClientLayoutFor(Size window, Size least, double monitorScale, double deviceRatio)
{
    // The slack keeps 2.0000001 at 2.
    const auto up = [](double value) { return std::max(1, static_cast<int>(std::ceil(value - 1e-6))); };
    const auto laidOut = [deviceRatio, &up](double pixelsPerLogical, Size logical, Point origin) {
        const double device = pixelsPerLogical * deviceRatio;
        const int imageScale = std::min(up(device), Bitmap::kMaxScale);
        return ClientLayout{pixelsPerLogical, imageScale, logical, origin, std::abs(device - imageScale) < 1e-9};
    };
    if (least.cx <= 0 || least.cy <= 0 || window.cx <= 0 || window.cy <= 0) {
        return laidOut(monitorScale,
                       {up(std::max(window.cx, 1) / monitorScale), up(std::max(window.cy, 1) / monitorScale)}, {});
    }
    const double zoom = std::max(1.0, std::min(window.cx / (least.cx * monitorScale),
                                               window.cy / (least.cy * monitorScale)));
    const double scale = zoom * monitorScale;
    // Rounded up, so the image covers the window's last pixel; the slack
    // keeps an exact quotient from rounding up by one.
    const auto logical = [scale](int pixels) { return static_cast<int>(std::ceil(pixels / scale - 1e-9)); };
    const Size size{logical(window.cx), std::min(least.cy, logical(window.cy))};
    const Point origin{static_cast<int>(std::lround((window.cx - size.cx * scale) / 2)),
                       static_cast<int>(std::lround((window.cy - size.cy * scale) / 2))};
    return laidOut(scale, size, origin);
}

} // namespace tw
