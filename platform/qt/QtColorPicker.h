#pragma once

#include <array>
#include <optional>

#include "platform/ColorRef.h"

class QWidget;

namespace tw {

// Qt's colour dialog over `parent`, starting at `initial`, showing and
// keeping the custom colours; nullopt when the player cancels.
std::optional<ColorRef> PickColour(QWidget* parent, ColorRef initial, std::array<ColorRef, 16>& customColors);

} // namespace tw
