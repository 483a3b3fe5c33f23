#include "cards32/linux/CardRenderer.h"

#include "cards32/CardMetrics.h"
#include "cards32/linux/BackArt.h"
#include "cards32/linux/FaceArt.h"

#include <QPainter>

namespace cards32 {

QImage CardRenderer::render(ImageKind kind, int index, int scale)
{
    QImage image(kCardWidth * scale, kCardHeight * scale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::transparent);

    if (kind == ImageKind::Back) {
        BackArt::paint(image, index, scale);
        return withSolidEdge(image);
    }

    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        FaceArt::paint(painter, index / 4, static_cast<Suit>(index % 4));
    }
    image = withSolidEdge(image);
    return kind == ImageKind::Highlight ? inverted(image) : image;
}

// Every pixel of a card is either wholly card or wholly see-through. A card
// is often drawn again where it already lies (the falling card shown twice,
// a stack's top card repaired after a collapse); half-covered edge pixels
// would darken with every such draw.
QImage CardRenderer::withSolidEdge(QImage image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            if (a == 0 || a == 255) {
                continue;
            }
            row[x] = a < 128 ? qRgba(0, 0, 0, 0)
                             : qRgba(qRed(p) * 255 / a, qGreen(p) * 255 / a, qBlue(p) * 255 / a, 255);
        }
    }
    return image;
}

QImage CardRenderer::inverted(const QImage& face)
{
    QImage out = face.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            // In premultiplied form a channel's full value is the alpha, so
            // alpha - c inverts the colour of partly covered edge pixels too.
            const QRgb p = row[x];
            const int a = qAlpha(p);
            row[x] = qRgba(a - qRed(p), a - qGreen(p), a - qBlue(p), a);
        }
    }
    return out;
}

} // namespace cards32
