#pragma once

#include <string_view>

namespace tw {

// The game's main window as the rest of the program sees it.
class Window {
public:
    virtual ~Window() = default;

    // A modal message box owned by this window; an empty caption shows the
    // program's name. Returns the DialogResult of the button chosen.
    virtual int ShowMessage(std::string_view text, std::string_view caption, unsigned style) = 0;
};

} // namespace tw
