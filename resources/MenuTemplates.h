#pragma once

#include <string_view>

#include "platform/MenuTemplate.h"

namespace tw {

// The program's menu bar and its accelerator table share one number.
inline constexpr int MainMenuId = 109;

// Null when the program has no menu of that number.
const MenuTemplate* FindMenuTemplate(int id);

// The program's strings, by resource number.
enum StringId : int {
    TitleStringId = 103,
    WindowClassStringId = 109,
};

// Empty when the program has no string of that number.
std::string_view LoadStringResource(int id);

} // namespace tw
