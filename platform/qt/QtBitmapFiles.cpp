#include "platform/Bitmap.h"

#include <algorithm>

#include <QImage>
#include <QString>

// Bitmaps read from and written to image files through Qt's image formats.
namespace tw {

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
