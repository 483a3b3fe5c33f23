#pragma once

#include <memory>

namespace tw {

// The window system's session for this process: made once in main, before any
// window, dialog or text is drawn, and ended when main returns.
class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace tw
