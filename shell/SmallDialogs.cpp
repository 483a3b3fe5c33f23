#include "shell/SmallDialogs.h"

#include "model/SoundEffects.h"
#include "resources/DialogTemplates.h"
#include "settings/Settings.h"
#include "platform/DialogHelpers.h"

namespace tw {
namespace {

bool EndOnOkOrCancel(Dialog& dialog, int id)
{
    if (id != IdOk && id != IdCancel) {
        return false;
    }
    dialog.EndDialog(id == IdOk ? DialogResult::Ok : DialogResult::Cancel);
    return true;
}

DialogResult Run(int templateId, DialogHandler& handler, Window* owner)
{
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    return dialogTemplate ? RunModalDialog(*dialogTemplate, handler, owner) : DialogResult::NotShown;
}

} // namespace

bool WelcomeDialog::OnInitDialog(Dialog& dialog)
{
    CenterOnParent(dialog);
    dialog.EnableItem(IdOk, true);
    dialog.SetFocus(IdOk);
    // True all the same: the first control that takes the focus is OK.
    return true;
}

bool WelcomeDialog::OnCommand(Dialog& dialog, int id) { return EndOnOkOrCancel(dialog, id); }

bool AboutDialogHandler::OnInitDialog(Dialog& dialog)
{
    CenterOnParent(dialog);
    return true;
}

bool AboutDialogHandler::OnCommand(Dialog& dialog, int id) { return EndOnOkOrCancel(dialog, id); }

bool LevelAdvanceHandler::OnInitDialog(Dialog& dialog)
{
    // The timer starts before the tones, so the second includes them.
    dialog.SetTimer(CloseTimer, CloseAfterMilliseconds);
    CenterOnParent(dialog);
    for (int i = 0; i < 25; ++i) {
        sound.SoundEffect(880 + 40 * i, 5, settings.Beep);
    }
    return true;
}

bool LevelAdvanceHandler::OnTimer(Dialog& dialog, int)
{
    dialog.PostCommand(IdOk);
    return true;
}

bool LevelAdvanceHandler::OnCommand(Dialog& dialog, int id)
{
    if (id != IdOk && id != IdCancel) {
        return false;
    }
    dialog.KillTimer(CloseTimer);
    dialog.EndDialog(id == IdOk ? DialogResult::Ok : DialogResult::Cancel);
    return true;
}

DialogResult ShowWelcomeDialog(Window* owner)
{
    // Made at the first opening and kept until the program ends.
    static WelcomeDialog handler;
    return Run(WelcomeDialogId, handler, owner);
}

DialogResult ShowAboutDialog(Window* owner)
{
    AboutDialogHandler handler;
    return Run(AboutDialogId, handler, owner);
}

DialogResult ShowLevelAdvanceDialog(Window* owner, SoundEffects& sound)
{
    LevelAdvanceHandler handler(sound);
    return Run(LevelAdvanceDialogId, handler, owner);
}

} // namespace tw
