#pragma once

#include <QImage>

namespace cards32 {

// What a cached image shows.
enum class ImageKind { Face, Highlight, Back };

// Renders one card image from scratch: premultiplied ARGB, 71 x 96 logical
// pixels at the given scale, transparent outside the rounded corners.
class CardRenderer {
public:
    // Whether index names something of that kind: a card code 0-51 for faces
    // and highlights, a design number for backs.
    static bool isValid(ImageKind kind, int index);

    // Null for an invalid index or scale.
    static QImage render(ImageKind kind, int index, int scale);

    // The face with its colours inverted and its shape kept, so corners stay
    // transparent.
    static QImage inverted(const QImage& face);

    // Every half-covered edge pixel made wholly card or wholly transparent,
    // so drawing a card again where it lies changes nothing.
    static QImage withSolidEdge(QImage image);
};

} // namespace cards32
