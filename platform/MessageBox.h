#pragma once

#include <string_view>

#include "platform/DialogResult.h"

namespace tw {

// Message box styles, with the values the game's messages have
// always used.
enum MessageBoxStyle : unsigned {
    MessageBoxOk = 0x0,
    MessageBoxYesNo = 0x4,
    MessageBoxIconInformation = 0x40,
};

// The title of a message box with this caption: an empty one shows the
// program's name, where the system would put a word of its own ("Error").
std::string_view MessageBoxTitle(std::string_view caption);

} // namespace tw
