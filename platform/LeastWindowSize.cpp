#include "platform/LeastWindowSize.h"

#include <algorithm>

#include "platform/MainWindow.h"

namespace tw {

Size LeastWindowSize(const WindowHandler& handler, Size leastClient, Size frame)
{
    const Size rule = handler.LeastSize();
    return {std::max({1, rule.cx, leastClient.cx + frame.cx}), std::max({1, rule.cy, leastClient.cy + frame.cy})};
}

} // namespace tw
