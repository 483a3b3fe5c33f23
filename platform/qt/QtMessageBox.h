#pragma once

#include <string_view>

#include "platform/DialogResult.h"

class QWidget;

namespace tw {

// Set on a dialog that the program closes because it was told to end: it
// was not answered, whatever button its closing would otherwise stand for.
inline constexpr const char* kDismissedUnanswered = "twDismissedUnanswered";

// A modal message box over `parent` (null: no owner), in the MessageBoxStyle
// given. An empty caption shows the program's name. Returns the button
// chosen, or Cancel for a Yes/No box dismissed unanswered.
DialogResult ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
