#include "platform/GuiSession.h"

#include <windows.h>

#include <commctrl.h>

#include "platform/win32/GuiSessionExists.h"

namespace tw {
namespace {

int sessions = 0;

} // namespace

struct GuiSession::Impl {};

GuiSession::GuiSession()
{
    // The manifest normally says so already; then this call changes nothing.
    // Without it the window would be stretched, blurred, by the system on a
    // monitor of another scale.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // Dialogs of this backend use the common controls' classes.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    ++sessions;
}

GuiSession::~GuiSession() { --sessions; }

bool GuiSessionExists() { return sessions > 0; }

} // namespace tw
