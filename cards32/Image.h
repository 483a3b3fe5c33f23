#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cards32 {

// A card image as the module keeps it, whatever drew it: premultiplied ARGB
// pixels, 0xAARRGGBB read as a native uint32_t, row after row with no gap
// between them. That is QImage::Format_ARGB32_Premultiplied's layout, so an
// image from Qt arrives by copying its rows.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    const std::uint32_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
    std::uint32_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

} // namespace cards32
