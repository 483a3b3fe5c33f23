#pragma once

#include <cstdint>

#include "platform/ColorRef.h"

namespace tw {

// Direct access to a bitmap's device pixels, each 0xFFRRGGBB, for code that
// paints pixels itself (the card component). Empty when there is nothing to
// draw on.
struct PixelView {
    std::uint32_t* pixels = nullptr;
    int width = 0;  // device pixels per row
    int height = 0; // rows
    int stride = 0; // pixels from one row to the next
    int scale = 1;  // device pixels per logical pixel

    explicit operator bool() const { return pixels != nullptr; }
};

constexpr std::uint32_t ToDevicePixel(ColorRef colour)
{
    return 0xFF000000u | (std::uint32_t{RedOf(colour)} << 16) |
           (std::uint32_t{GreenOf(colour)} << 8) | BlueOf(colour);
}

constexpr ColorRef FromDevicePixel(std::uint32_t pixel)
{
    return Rgb((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

} // namespace tw
