#pragma once

#include <cstdint>

#include "cards32/Image.h"
#include "cards32/SolidImage.h"
#include "cards32/cards32.h"

namespace cards32 {

// Writing into a caller's pixel block. Positions are device pixels and may
// lie partly or wholly outside the target; only the overlap is touched.
class Blit {
public:
    // Whether the target can be drawn on at all.
    static bool isUsable(const CdtTarget* target);

    // Composites an image source-over with its top-left at
    // (x, y), so transparent pixels leave the target as it was.
    static void composite(const CdtTarget& target, std::int64_t x, std::int64_t y,
                          const Image& image);

    // Sets every pixel of the w x h rectangle at (x, y) to an opaque colour.
    static void fill(const CdtTarget& target, std::int64_t x, std::int64_t y,
                     std::int64_t w, std::int64_t h, std::uint32_t rgb);

    // A Windows colour value (red in the low byte) as an opaque 0xFFRRGGBB
    // pixel.
    static std::uint32_t fromWindowsColor(std::uint32_t color);

    // As composite, for a cached card image: its opaque runs are copied,
    // many times faster than blending.
    static void copySolid(const CdtTarget& target, std::int64_t x, std::int64_t y,
                          const SolidImage& image);

    // One source-over step: premultiplied source onto an opaque pixel.
    static std::uint32_t over(std::uint32_t source, std::uint32_t destination);
};

} // namespace cards32
