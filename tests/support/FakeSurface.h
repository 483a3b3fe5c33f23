#pragma once

#include <functional>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"

namespace tw::test {

// A window's client area without a window: an image that remembers which
// parts were put on the screen, and what they showed at that moment.
class FakeSurface : public Surface {
public:
    FakeSurface(int width, int height, int scale = 1) : image(width, height, scale) {}

    Bitmap& Image() override { return image; }

    void Present(const Rect& area) override
    {
        presented.push_back(area);
        if (onPresent) {
            onPresent(area);
        }
    }

    Bitmap image;
    std::vector<Rect> presented;
    std::function<void(const Rect&)> onPresent;
};

} // namespace tw::test
