#pragma once

#include <cstdint>

#include "platform/Dialog.h"

namespace tw {

// The High Score List dialog's logic: in view mode it shows the stored list;
// in new-entry mode the new score gets an empty, editable row for the
// player's name. The program keeps one instance for the whole run (see
// settings/SettingsDialogs.h).
class HighScoreDialog : public DialogHandler {
public:
    static constexpr int ResetButton = 1061;

    ~HighScoreDialog() override = default;

    // What the next opening shows; taken up again when Reset reloads the list.
    void SetPending(bool entryPending, std::int32_t score)
    {
        pendingEntry = entryPending;
        pendingScore = score;
    }

    // True in view mode; false when it has put the focus in the new row.
    bool OnInitDialog(Dialog& dialog) override;
    // OK stores the list and ends with 1, Cancel ends with 2; Reset never
    // counts as handled, the dialog stays open.
    bool OnCommand(Dialog& dialog, int id) override;

private:
    void Reset(Dialog& dialog);

    int newEntryRow = -1;
    std::int32_t newEntryScore = 0;
    bool newEntryMode = false;
    bool entryRowOpen = false; // this opening gave the new score a row

    bool pendingEntry = false;
    std::int32_t pendingScore = 0;
};

} // namespace tw
