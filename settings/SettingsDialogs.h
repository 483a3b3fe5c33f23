#pragma once

#include <cstdint>

#include "platform/DialogResult.h"

namespace tw {

class Window;

// The two dialogs of the settings, each run modally from its template over
// `owner` (null: no owner) with the program's one handler, made at the first
// opening and kept until the program ends. Each returns NotShown when the
// dialog could not be made.

// Ok when the changed options need a new game, Cancel when not.
DialogResult ShowOptionsDialog(Window* owner);

// In new-entry mode `newEntryScore` gets a row for the player's name. 1 after
// Ok (the list was stored) or Cancel.
DialogResult ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore);

} // namespace tw
