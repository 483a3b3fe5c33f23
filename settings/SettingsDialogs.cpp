#include "settings/SettingsDialogs.h"

#include "platform/Dialog.h"
#include "resources/DialogTemplates.h"
#include "settings/HighScoreDialog.h"
#include "settings/OptionsDialog.h"

namespace tw {
namespace {

DialogResult Run(int templateId, DialogHandler& handler, Window* owner)
{
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    return dialogTemplate ? RunModalDialog(*dialogTemplate, handler, owner) : DialogResult::NotShown;
}

} // namespace

DialogResult ShowOptionsDialog(Window* owner)
{
    static OptionsDialog handler;
    return Run(OptionsDialogId, handler, owner);
}

DialogResult ShowHighScoreDialog(Window* owner, bool newEntryMode, std::int32_t newEntryScore)
{
    static HighScoreDialog handler;
    handler.SetPending(newEntryMode, newEntryScore);
    return Run(HighScoreDialogId, handler, owner);
}

} // namespace tw
