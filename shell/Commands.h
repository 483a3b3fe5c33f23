#pragma once

#include "model/BoardHost.h"

namespace tw {

// The main window's commands: menu items, accelerators, and the ones the
// program sends itself (level complete, play again, the introduction at
// start-up).
enum Command : int {
    CommandAbout = 104,
    CommandExit = 105,
    CommandPause = 32772,
    CommandNew = 32773,
    CommandOptions = 32774,
    CommandHighScores = 32776,
    CommandIntroduction = 32777,
    CommandHelp = 32778,
    CommandWeb = 32781,
};

} // namespace tw
