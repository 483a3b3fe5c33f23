#pragma once

#include <memory>
#include <string>

#include "platform/Geometry.h"
#include "platform/Window.h"

namespace tw {

class DeviceContext;
struct MenuTemplate;

// Edges of the window being dragged, as the sizing handler is told them.
enum SizingEdge : int {
    EdgeLeft = 1,
    EdgeRight = 2,
    EdgeTop = 3,
    EdgeTopLeft = 4,
    EdgeTopRight = 5,
    EdgeBottom = 6,
    EdgeBottomLeft = 7,
    EdgeBottomRight = 8,
};

// What happens to the main window, told to the program as its window
// procedure would be told it: one operation per message.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;

    virtual void OnSetFocus() = 0;
    virtual void OnKillFocus() = 0;
    // Erasing comes first, then painting, whenever the client area was
    // uncovered, resized or invalidated.
    virtual bool OnEraseBackground(DeviceContext& dc) = 0;
    virtual void OnPaint(DeviceContext& dc) = 0;
    // The player closes the window; it is destroyed right after.
    virtual void OnClose() = 0;
    // The desktop session is ending; the window is destroyed right after.
    virtual void OnEndSession() = 0;
    virtual void OnDestroy() = 0;
    // Virtual key codes of the Windows key map; held keys repeat. False
    // leaves the key to the default handling.
    virtual bool OnKeyDown(int virtualKey) = 0;
    // Menu items, accelerators and commands the program sends itself.
    virtual bool OnCommand(int id) = 0;
    virtual bool OnTimer(int id) = 0;
    // A menu of the menu bar opens; it closes again without a choice. The
    // close is told only while the window has the focus.
    virtual void OnInitMenu() = 0;
    virtual void OnMenuClosed() = 0;
    // The player drags a border: the handler may change the window
    // rectangle (screen pixels, frame included).
    virtual void OnSizing(int edge, Rect& windowRect) = 0;
    // The least window, frame included, that the sizing rule lets the
    // player drag to; windows with no border to drag still keep to it.
    virtual Size LeastSize() const = 0;
};

// Sizes that clamping the stored placement needs.
struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int iconWidth = 32;
    int iconHeight = 32;
};
ScreenMetrics GetScreenMetrics();

// The real main window: a window with the menu bar, its accelerators and a
// client area that shows the drawing surface. Its messages go to `handler`.
class MainWindow : public Window {
public:
    struct Creation {
        std::string title;
        Rect normal; // left, top, right, bottom in screen pixels, frame included
        const MenuTemplate* menu = nullptr;
        int largeIcon = 0;
        int smallIcon = 0;
    };

    // Null when the window system could not make the window.
    static std::unique_ptr<MainWindow> Create(const Creation& creation, WindowHandler& handler);
};

} // namespace tw
