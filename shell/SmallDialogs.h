#pragma once

#include "platform/Dialog.h"

namespace tw {

class SoundEffects;
class Window;

// The playing instructions. The program keeps one handler for the whole run,
// made at the first opening (see ShowWelcomeDialog); it holds no state of its
// own yet, but the dialog is one "with state" by design.
class WelcomeDialog : public DialogHandler {
public:
    ~WelcomeDialog() override = default;
    bool OnInitDialog(Dialog& dialog) override;
    bool OnCommand(Dialog& dialog, int id) override;
};

// The About dialog: nothing but centring and closing, no state between
// openings.
class AboutDialogHandler : public DialogHandler {
public:
    bool OnInitDialog(Dialog& dialog) override;
    bool OnCommand(Dialog& dialog, int id) override;
};

// The popup between levels: a rising run of tones, then it closes itself
// after a second unless Enter or Esc closes it first.
class LevelAdvanceHandler : public DialogHandler {
public:
    static constexpr int CloseTimer = 2;
    static constexpr int CloseAfterMilliseconds = 1000;

    explicit LevelAdvanceHandler(SoundEffects& sound) : sound(sound) {}
    bool OnInitDialog(Dialog& dialog) override;
    bool OnCommand(Dialog& dialog, int id) override;
    bool OnTimer(Dialog& dialog, int id) override;

private:
    SoundEffects& sound;
};

// Each runs its dialog modally over `owner` (null: no owner) and returns Ok
// or Cancel as it ended, or NotShown when the dialog could not be made.
DialogResult ShowWelcomeDialog(Window* owner);
DialogResult ShowAboutDialog(Window* owner);
DialogResult ShowLevelAdvanceDialog(Window* owner, SoundEffects& sound);

} // namespace tw
