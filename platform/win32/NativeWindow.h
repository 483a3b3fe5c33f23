#pragma once

#include <windows.h>

#include "platform/Window.h"

namespace tw {

// The Win32 windows behind the game's Window interface, so that dialogs,
// message boxes and the colour picker of this backend can be owned by them.
class NativeWindow {
public:
    virtual HWND Handle() const = 0;

protected:
    ~NativeWindow() = default;
};

// The window's handle, or null for no window or one of another kind (a
// test's stand-in).
inline HWND HandleOf(const Window* window)
{
    const auto* native = dynamic_cast<const NativeWindow*>(window);
    return native ? native->Handle() : nullptr;
}

} // namespace tw
