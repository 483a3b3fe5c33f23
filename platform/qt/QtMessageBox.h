#pragma once

#include <string_view>

class QWidget;

namespace tw {

// A modal message box over `parent` (null: no owner), in the MessageBoxStyle
// given. An empty caption shows the program's name. Returns the DialogResult
// of the button chosen.
int ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, unsigned style);

} // namespace tw
