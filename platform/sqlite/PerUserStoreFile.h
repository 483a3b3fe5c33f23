#pragma once

#include <filesystem>

namespace tw {

// The SQLite file that holds the per-user store on this system.

// $XDG_CONFIG_HOME/Tumblewick/tumblewick.sqlite, worked out afresh at every
// call; empty when the user has no configuration folder.
std::filesystem::path PerUserStorePath();

// A full integrity check of the store as the next open finds it. The game
// never needs it (damage is checked for as it is met); it is for diagnostics.
bool PerUserStoreIsIntact();

} // namespace tw
