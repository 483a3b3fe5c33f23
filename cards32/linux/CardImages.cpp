// On Linux the card images are painted with Qt.
#include "cards32/CardImages.h"

#include "cards32/linux/CardRenderer.h"

#include <QImage>

#include <algorithm>

namespace cards32 {

std::optional<Image> RenderCardImage(ImageKind kind, int index, int scale)
{
    const QImage rendered = CardRenderer::render(kind, index, scale);
    if (rendered.isNull()) {
        return std::nullopt;
    }
    // The renderer's format is Image's layout, so each row copies as it is.
    Image image{rendered.width(), rendered.height(),
                std::vector<std::uint32_t>(static_cast<std::size_t>(rendered.width()) * rendered.height())};
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rendered.constScanLine(y));
        std::copy(row, row + image.width, image.row(y));
    }
    return image;
}

} // namespace cards32
