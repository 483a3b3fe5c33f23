#pragma once

#include <vector>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"

namespace tw::test {

// A window's client area without a window: an image that remembers which
// parts were put on the screen.
class FakeSurface : public Surface {
public:
    FakeSurface(int width, int height, int scale = 1) : image(width, height, scale) {}

    Bitmap& Image() override { return image; }

    void Present(const Rect& area) override { presented.push_back(area); }

    Bitmap image;
    std::vector<Rect> presented;
};

} // namespace tw::test
