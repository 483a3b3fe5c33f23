#pragma once

#include "platform/DialogResult.h"

namespace tw {

// Message box styles, with the values the game's messages have
// always used.
enum MessageBoxStyle : unsigned {
    MessageBoxOk = 0x0,
    MessageBoxYesNo = 0x4,
    MessageBoxIconInformation = 0x40,
};

} // namespace tw
