#pragma once

#include <optional>
#include <string_view>

#include "platform/ColorRef.h"
#include "platform/Geometry.h"
#include "platform/PixelView.h"

// Text in the drawing contexts' one default font. Text needs the window
// system's fonts, so without a GUI session nothing is drawn or measured.
namespace tw::text_painter {

// Draws UTF-8 `text` with its cell's top-left corner at `at` (logical
// pixels), the cell filled with `background`. Returns the logical rectangle
// drawn, or nullopt when nothing could be drawn.
std::optional<Rect> Draw(const PixelView& target, Point at, std::string_view text, ColorRef foreground,
                         ColorRef background);

std::optional<Size> Measure(std::string_view text);

} // namespace tw::text_painter
