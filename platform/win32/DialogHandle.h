#pragma once

#include <windows.h>

// The system's macro would rename Dialog::ChooseColor wherever both are seen.
#undef ChooseColor

namespace tw {

class Dialog;

// The window behind a dialog that RunModalDialog opened; null for any other
// Dialog.
HWND DialogHandle(Dialog& dialog);

} // namespace tw
