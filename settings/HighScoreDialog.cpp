#include "settings/HighScoreDialog.h"

#include "platform/DialogHelpers.h"
#include "platform/MessageBox.h"
#include "settings/HighScoreTable.h"

namespace tw {

bool HighScoreDialog::OnInitDialog(Dialog& dialog)
{
    CenterOnParent(dialog);
    newEntryMode = pendingEntry;
    newEntryScore = pendingScore;

    // Reset runs this again on the open dialog, and the new score may land
    // on another row than before: only the row it lands on may be edited.
    for (int row = 0; row < kHighScoreRowCount; ++row) {
        dialog.SetReadOnly(kFirstHighScoreNameItem + row, true);
    }
    FillDefaults(dialog);
    int placedRow = -1;
    LoadHighScores(dialog, newEntryMode, newEntryScore, placedRow);
    entryRowOpen = newEntryMode && placedRow >= 0;
    if (!entryRowOpen) {
        // A damaged list can leave the score without a row; it is then shown
        // as it is, rather than opening a row that belongs to an older entry.
        return true;
    }
    newEntryRow = placedRow;
    const int nameItem = kFirstHighScoreNameItem + newEntryRow;
    SetItemNumber(dialog, kFirstHighScoreScoreItem + newEntryRow, newEntryScore);
    dialog.SetReadOnly(nameItem, false);
    // Names are UTF-8 and are read back into a buffer with its terminator:
    // a limit in characters would let the player type a name that is saved
    // but can never be loaded again, which would end the list at that row.
    dialog.LimitText(nameItem, kHighScoreTextBuffer - 1);
    dialog.SetFocus(nameItem);
    return false;
}

bool HighScoreDialog::OnCommand(Dialog& dialog, int id)
{
    switch (id) {
    case IdOk:
        SaveHighScores(dialog, entryRowOpen ? newEntryRow : -1);
        dialog.EndDialog(DialogResult::Ok);
        return true;
    case IdCancel:
        dialog.EndDialog(DialogResult::Cancel);
        return true;
    case ResetButton:
        Reset(dialog);
        return false;
    default:
        return false;
    }
}

void HighScoreDialog::Reset(Dialog& dialog)
{
    if (dialog.ShowMessage("Are you sure you want to erase all high scores?", "Reset Scores", MessageBoxYesNo) !=
        DialogResult::Yes) {
        return;
    }
    // Gone at once: Cancel afterwards does not bring the old list back.
    ClearHighScores();
    OnInitDialog(dialog);
}

} // namespace tw
