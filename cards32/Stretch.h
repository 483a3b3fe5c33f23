#pragma once

#include "cards32/Image.h"

namespace cards32 {

// The image resized to width x height (both at least 1). Each new pixel is
// the average of the source pixels under its footprint, each weighted by how
// much of it the footprint covers, so a rounded corner's edge comes out
// partly covered rather than jagged.
Image Stretched(const Image& source, int width, int height);

// A card image made at one scale stretched to another, each edge pixel the
// stretch leaves partly covered made wholly card or wholly clear again, as
// every card image is (see RenderCardImage).
Image StretchedCard(const Image& source, int scale);

} // namespace cards32
