#pragma once

#include <windows.h>

namespace tw {

// Offers a message of the program's message loop to the accelerator table of
// the main window it is addressed to; true when it became a command there.
bool TranslateMainWindowAccelerator(MSG& message);

} // namespace tw
