#pragma once

#include <string_view>

#include "platform/DialogResult.h"

class QWidget;

namespace tw {

// A modal message box over `parent` (null: no owner), in the MessageBoxStyle
// given. An empty caption shows the program's name. Returns the button
// chosen.
DialogResult ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
