#pragma once

#include <string_view>

#include "platform/DialogResult.h"
#include "platform/Geometry.h"

namespace tw {

class Surface;

// Where a window stands when it is not maximised, and whether it is.
struct WindowPlacementState {
    Rect normal; // screen pixels, frame included
    bool maximized = false;
};

// The game's main window as the rest of the program sees it.
class Window {
public:
    virtual ~Window() = default;

    // A modal message box owned by this window; an empty caption shows the
    // program's name. Returns the button chosen, or Cancel for a Yes/No box
    // that the program dismissed unanswered because it was told to end.
    virtual DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) = 0;

    // The client area's image; a ClientDC over it draws on the window.
    virtual Surface& ClientArea() = 0;
    virtual Rect GetClientRect() const = 0;

    // Window timers: each tick of timer `id` reaches the program's timer
    // handling on the GUI thread. Setting a running timer restarts it.
    virtual void SetTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;

    // A command handled before the call returns, or once the current event
    // is done.
    virtual void SendCommand(int id) = 0;
    virtual void PostCommand(int id) = 0;

    virtual void SetTitle(std::string_view title) = 0;
    // Erases the whole client area and paints it again before returning.
    virtual void Redraw() = 0;

    // The client area never gets smaller than this; a window that is smaller
    // now grows to it.
    virtual void SetMinimumClientSize(Size size) = 0;

    virtual WindowPlacementState GetPlacement() const = 0;
    virtual void Show(bool maximized) = 0;
    // Closes the window at once, without asking the program first.
    virtual void Destroy() = 0;
};

} // namespace tw
