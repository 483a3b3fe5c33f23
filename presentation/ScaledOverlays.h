#pragma once

#include "platform/Bitmap.h"

namespace tw {

// The empty-slot marker's overlays for a zoomed or high-density client area.
// The resources are drawn for one device pixel per logical pixel; scaled
// pixel for pixel, the ring's curve would show its steps. So the ring mask is
// drawn afresh at the device resolution from its geometry: an ellipse ring 7
// pixels thick whose outer edge spans columns 7 to 63 and rows 17 to 77 of
// the 70 x 95 mask. The outline is straight lines, which scale cleanly.
Bitmap ScaledRingMask(const Bitmap& mask, int scale);
Bitmap ScaledOutline(const Bitmap& outline, int scale);

} // namespace tw
