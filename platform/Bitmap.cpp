#include "platform/Bitmap.h"

#include <algorithm>
#include <utility>

namespace tw {
namespace {

int liveBitmaps = 0;
constexpr std::uint32_t kBlack = 0xFF000000u;

int Positive(int value) { return std::max(value, 0); }

} // namespace

Bitmap::Bitmap(int width, int height, int scale)
    : width(Positive(width)), height(Positive(height)), scale(std::max(scale, 1)),
      pixels(static_cast<std::size_t>(DeviceWidth()) * static_cast<std::size_t>(DeviceHeight()),
             kBlack)
{
    ++liveBitmaps;
}

Bitmap::~Bitmap()
{
    if (counted) {
        --liveBitmaps;
    }
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width(std::exchange(other.width, 0)), height(std::exchange(other.height, 0)),
      scale(other.scale), pixels(std::move(other.pixels)),
      counted(std::exchange(other.counted, false))
{
    other.pixels.clear();
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this != &other) {
        if (counted) {
            --liveBitmaps;
        }
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        scale = other.scale;
        pixels = std::move(other.pixels);
        other.pixels.clear();
        counted = std::exchange(other.counted, false);
    }
    return *this;
}

PixelView Bitmap::Pixels()
{
    if (pixels.empty()) {
        return {};
    }
    return {pixels.data(), DeviceWidth(), DeviceHeight(), DeviceWidth(), scale};
}

std::optional<ColorRef> Bitmap::GetPixel(int deviceX, int deviceY) const
{
    if (deviceX < 0 || deviceY < 0 || deviceX >= DeviceWidth() || deviceY >= DeviceHeight()) {
        return std::nullopt;
    }
    return FromDevicePixel(pixels[static_cast<std::size_t>(deviceY) * DeviceWidth() + deviceX]);
}

bool Bitmap::HasSamePixels(const Bitmap& other) const
{
    return width == other.width && height == other.height && scale == other.scale &&
           pixels == other.pixels;
}

int Bitmap::LiveCount() { return liveBitmaps; }
} // namespace tw
