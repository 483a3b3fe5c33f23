#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "platform/ColorRef.h"

namespace tw {

// The system's colour picker over `owner`, starting at `initial` and showing
// the custom colours, which come back as the player left them; nullopt when
// the player cancels.
std::optional<ColorRef> PickColour(HWND owner, ColorRef initial, std::array<ColorRef, 16>& customColors);

} // namespace tw
