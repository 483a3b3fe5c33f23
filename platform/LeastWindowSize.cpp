#include "platform/LeastWindowSize.h"

#include <algorithm>

#include "platform/MainWindow.h"

namespace tw {

Size LeastWindowSize(WindowHandler& handler, Size leastClient, Size frame)
{
    // The sizing rule only ever answers a drag, so it is asked about a tiny
    // window dragged by its bottom-right corner.
    Rect probe{0, 0, 1, 1};
    handler.OnSizing(EdgeBottomRight, probe);
    return {std::max({1, probe.Width(), leastClient.cx + frame.cx}),
            std::max({1, probe.Height(), leastClient.cy + frame.cy})};
}

} // namespace tw
