#pragma once

#include <cstdint>

namespace tw {

// A colour as the game stores and compares it: red in bits 0-7, green in
// 8-15, blue in 16-23. Only the drawing layer converts it to device pixels.
using ColorRef = std::uint32_t;

constexpr ColorRef Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return ColorRef{red} | (ColorRef{green} << 8) | (ColorRef{blue} << 16);
}

constexpr std::uint8_t RedOf(ColorRef colour) { return colour & 0xFF; }
constexpr std::uint8_t GreenOf(ColorRef colour) { return (colour >> 8) & 0xFF; }
constexpr std::uint8_t BlueOf(ColorRef colour) { return (colour >> 16) & 0xFF; }

} // namespace tw
