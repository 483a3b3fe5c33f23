#pragma once

#include <string>
#include <string_view>

namespace tw {

// The game's texts are UTF-8; Windows' own are UTF-16, which holds every
// name a player types, where the ANSI code page would not.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

} // namespace tw
