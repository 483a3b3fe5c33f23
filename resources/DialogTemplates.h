#pragma once

#include <span>

#include "platform/DialogTemplate.h"

namespace tw {

// The program's dialog templates, by resource number.
enum DialogTemplateId : int {
    AboutDialogId = 103,
    OptionsDialogId = 131,
    LevelAdvanceDialogId = 132,
    HighScoreDialogId = 133,
    WelcomeDialogId = 135,
};

// The program's icons, by resource number.
enum IconId : int {
    SmallProgramIconId = 108,
    ProgramIconId = 130,
    HeartIconId = 136,
    ClubIconId = 137,
    DiamondIconId = 138,
    SpadeIconId = 139,
};

// Null when the program has no template of that number.
const DialogTemplate* FindDialogTemplate(int id);

// Every template, for tools and checks that walk them all.
std::span<const DialogTemplate> AllDialogTemplates();

} // namespace tw
