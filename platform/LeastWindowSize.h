#pragma once

#include "platform/Geometry.h"

namespace tw {

class WindowHandler;

// How small the main window may get, frame and menu bar included, in the
// pixels its window system sizes windows by: no smaller than the handler's
// least size, nor than the least client area with `frame` (what
// the frame and the menu bar add to a client area's width and height) around
// it, nor than a pixel.
Size LeastWindowSize(const WindowHandler& handler, Size leastClient, Size frame);

} // namespace tw
