#pragma once

#include <optional>

#include "platform/Bitmap.h"

namespace tw {

// A bitmap from the program's resources, by its number; nullopt when the
// program has no such bitmap.
std::optional<Bitmap> LoadBitmapResource(int id);

} // namespace tw
