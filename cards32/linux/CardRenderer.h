#pragma once

#include "cards32/CardImages.h"

#include <QImage>

namespace cards32 {

// Renders one card image from scratch with QPainter: premultiplied ARGB, 71 x
// 96 logical pixels at the given scale, transparent outside the rounded
// corners.
class CardRenderer {
public:
    // For an image IsCardImage accepts, at a scale from 1 to kMaxScale; null
    // only when the image cannot be allocated.
    static QImage render(ImageKind kind, int index, int scale);

    // The face with its colours inverted and its shape kept, so corners stay
    // transparent.
    static QImage inverted(const QImage& face);

    // Every half-covered edge pixel made wholly card or wholly transparent,
    // so drawing a card again where it lies changes nothing.
    static QImage withSolidEdge(QImage image);
};

} // namespace cards32
