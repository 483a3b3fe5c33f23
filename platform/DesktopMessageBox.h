#pragma once

#include <string_view>

namespace tw {

// A modal message box with no owner window. Returns the DialogResult of the
// button chosen.
int ShowDesktopMessage(std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
