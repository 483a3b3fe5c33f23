#include "platform/Bitmap.h"

#include <algorithm>
#include <utility>

#include <QImage>
#include <QString>

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

std::optional<Bitmap> Bitmap::Load(const std::filesystem::path& file, int scale)
{
    QImage image(QString::fromStdString(file.string()));
    if (image.isNull()) {
        return std::nullopt;
    }
    scale = std::max(scale, 1);
    image = image.convertToFormat(QImage::Format_RGB32)
                .scaled(image.width() * scale, image.height() * scale);
    Bitmap bitmap(image.width() / scale, image.height() / scale, scale);
    for (int row = 0; row < bitmap.DeviceHeight(); ++row) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(row));
        std::copy_n(line, bitmap.DeviceWidth(),
                    bitmap.pixels.begin() + static_cast<std::ptrdiff_t>(row) * bitmap.DeviceWidth());
    }
    return bitmap;
}

bool Bitmap::SavePng(const std::filesystem::path& file) const
{
    if (pixels.empty()) {
        return false;
    }
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), DeviceWidth(), DeviceHeight(),
                       DeviceWidth() * static_cast<int>(sizeof(std::uint32_t)), QImage::Format_RGB32);
    return image.save(QString::fromStdString(file.string()), "PNG");
}

} // namespace tw
