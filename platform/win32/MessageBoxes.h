#pragma once

#include <windows.h>

#include <string_view>

#include "platform/DialogResult.h"

namespace tw {

// A modal message box over `owner` (null: no owner) in the MessageBoxStyle
// given, whose values are the system's own. An empty caption shows the
// program's name. Returns the button chosen.
DialogResult ShowMessageBox(HWND owner, std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
