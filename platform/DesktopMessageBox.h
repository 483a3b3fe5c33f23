#pragma once

#include <string_view>

#include "platform/DialogResult.h"

namespace tw {

// A modal message box with no owner window. Returns the button chosen.
DialogResult ShowDesktopMessage(std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
