#pragma once

namespace tw {

// Message box styles and answers, with the values the game's messages have
// always used.
enum MessageBoxStyle : unsigned {
    MessageBoxOk = 0x0,
    MessageBoxYesNo = 0x4,
    MessageBoxIconInformation = 0x40,
};

enum DialogResult : int {
    ResultOk = 1,
    ResultCancel = 2,
    ResultYes = 6,
    ResultNo = 7,
};

} // namespace tw
