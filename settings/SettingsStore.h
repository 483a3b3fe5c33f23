#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tw {

// How the main window was shown at close. The values are the ones stored
// (MinMax); a stored value other than these is kept as it is and means a
// window that was not maximised.
enum class WindowShowState : std::int32_t {
    Normal = 0,
    Maximized = 2,
};

// The main window's normal (restored) position as it is stored between runs;
// the application object holds it.
struct WindowPlacement {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    WindowShowState showState = WindowShowState::Normal;
};

// Fills the process-wide settings and `placement` from the per-user store,
// each missing value taking its default. A store that cannot be read (locked
// by another program, or a read the system failed) gives every default too,
// without holding up the start for longer than a moment. Run once, before
// the main window is made.
void LoadSettings(WindowPlacement& placement);

// Writes every stored setting and the placement, and ends the first boot,
// all at once: a save that fails, or a program killed while saving, leaves
// the previous save whole. After a load that could not read the store it
// writes only the settings changed since, so defaults never replace values
// that are stored but were not read. True when written; the player is never
// told. A kept game's text (settings/KeptGameStore.h) is written in the same
// save; an empty one leaves nothing to continue, and none at all leaves
// whatever is kept, perhaps by another copy, as it is.
bool SaveSettings(const WindowPlacement& placement, std::optional<std::string_view> keptGame = std::nullopt);

// True until the first save.
bool IsFirstBoot();

} // namespace tw
