#pragma once

#include <windows.h>

#include "platform/ClientLayout.h"
#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

namespace tw {

// The client area of a window: the image the game draws into, put on the
// window's screen pixels as soon as a part of it changed.
class Win32ClientSurface final : public Surface {
public:
    explicit Win32ClientSurface(HWND window) : window(window) {}
    // The window is known from its first message on.
    void Attach(HWND handle) { window = handle; }

    Bitmap& Image() override { return image; }
    // At once, through the window's own device context: the game sleeps
    // between the steps of its animations.
    void Present(const Rect& area) override;

    void SetLeast(Size size) { least = size; }
    Size Least() const { return least; }
    // Device pixels per logical pixel of the window's monitor.
    double MonitorScale() const;
    Size LogicalSize() const { return layout.logical; }

    // Gives the image the client rectangle's size and the zoomed monitor's
    // scale; true when it changed and needs the game's picture again.
    bool Fit();

    // Puts the image, and the bands beside it, on `dc` within `clip` (window
    // pixels).
    void ShowOn(HDC dc, const RECT& clip) const;
    void ShowAll();

    // While one lives, drawing is not presented: erasing and painting put the
    // finished picture on the screen in one go.
    class Batch {
    public:
        explicit Batch(Win32ClientSurface& surface) : surface(surface), was(surface.batched)
        {
            surface.batched = true;
        }
        ~Batch() { surface.batched = was; }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Win32ClientSurface& surface;
        bool was;
    };

private:
    // The window pixels that show a logical area of the image.
    RECT Shown(const Rect& area) const;

    HWND window;
    Bitmap image{0, 0};
    Size least;
    ClientLayout layout;
    bool batched = false;
};

} // namespace tw
