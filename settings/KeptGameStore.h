#pragma once

#include <string>
#include <string_view>

namespace tw {

// The game left in progress when the window closed, kept as text beside the
// settings (SaveSettings writes it with them) until the next start takes it.
inline constexpr std::string_view kKeptGameKey = "Software\\Brindlecove\\Tumblewick\\KeptGame";
inline constexpr std::string_view kKeptGameName = "Game";

// Takes the kept game out of the store and gives its text: claimed at one
// moment, so that of two copies starting at once only one is offered it, and
// then removed. Empty when none is kept, or when the store could not be
// read; a kept game then stays for a later start. Nothing else in the store
// is touched.
std::string TakeKeptGame();

} // namespace tw
