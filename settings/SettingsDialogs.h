#pragma once

#include <cstdint>

namespace tw {

class Window;

// The two dialogs of the settings, each run modally from its template over
// `owner` (null: no owner) with the program's one handler, made at the first
// opening and kept until the program ends. Each returns -1 when the dialog
// could not be made.

// 1 when the changed options need a new game, 2 when not.
int ShowOptionsDialog(Window* owner);

// In new-entry mode `newEntryScore` gets a row for the player's name. 1 after
// OK (the list was stored), 2 after Cancel.
int ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore);

} // namespace tw
