#pragma once

#include "cards32/Image.h"

#include <optional>

namespace cards32 {

// What a card image shows.
enum class ImageKind { Face, Highlight, Back };

// Whether index names something of that kind: a card code 0-51 for faces and
// highlights, a design number for backs.
bool IsCardImage(ImageKind kind, int index);

// The module's image source, one per platform: one card image rendered from
// scratch, 71 x 96 logical pixels at the given scale, every pixel wholly
// opaque or wholly transparent, the transparent ones only in the rounded
// corners. Asked only for images IsCardImage accepts, at scales from 1 to
// kMaxScale; empty when it cannot make the image.
std::optional<Image> RenderCardImage(ImageKind kind, int index, int scale);

} // namespace cards32
