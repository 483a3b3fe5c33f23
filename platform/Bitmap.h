#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/ColorRef.h"
#include "platform/PixelView.h"

namespace tw {

// A 32-bit off-screen image. Its size is given in logical pixels; a scale of 2
// gives it four device pixels for every logical one. A new bitmap is black.
class Bitmap {
public:
    // The finest scale a window's image is made at. A maximised window on an
    // 8K screen asks for 10; a window spread over several screens beyond this
    // is shown enlarged from it, rather than have every card image take
    // megabytes. The card component draws at every scale up to it.
    static constexpr int kMaxScale = 12;

    Bitmap(int width, int height, int scale = 1);
    ~Bitmap();
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int Width() const { return width; }
    int Height() const { return height; }
    int Scale() const { return scale; }

    PixelView Pixels();
    std::span<const std::uint32_t> Data() const { return pixels; }

    // The colour of a device pixel; nullopt outside the bitmap.
    std::optional<ColorRef> GetPixel(int deviceX, int deviceY) const;

    bool HasSamePixels(const Bitmap& other) const;

    // How many bitmaps exist right now, for checks that nothing piles up.
    static int LiveCount();

    // Image files in any format the window system reads; nullopt when the
    // file is missing or unreadable.
    static std::optional<Bitmap> Load(const std::filesystem::path& file, int scale = 1);
    bool SavePng(const std::filesystem::path& file) const;

private:
    int DeviceWidth() const { return width * scale; }
    int DeviceHeight() const { return height * scale; }

    int width;
    int height;
    int scale;
    std::vector<std::uint32_t> pixels;
    bool counted = true;
};

} // namespace tw
