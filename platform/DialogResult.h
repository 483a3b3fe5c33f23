#pragma once

namespace tw {

// How a modal dialog or message box was closed. The values are the system's
// own (IDOK, IDCANCEL, IDYES, IDNO), which a dialog's end passes on.
enum class DialogResult : int {
    NotShown = -1, // the dialog could not be made
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

} // namespace tw
