#include "platform/win32/Win32ClientSurface.h"

#include <cmath>
#include <memory>
#include <type_traits>

namespace tw {
namespace {

// The window's device context for as long as a drawing call needs it.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window(window), dc(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc) {
            ReleaseDC(window, dc);
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return dc; }

private:
    HWND window;
    HDC dc;
};

struct BrushDeleter {
    void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
using Brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDeleter>;

// Restores what a drawing call changed in a device context it was lent.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc(dc), saved(SaveDC(dc)) {}
    ~SavedDC() { RestoreDC(dc, saved); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc;
    int saved;
};

} // namespace

double Win32ClientSurface::MonitorScale() const
{
    const UINT dpi = GetDpiForWindow(window);
    return dpi ? dpi / 96.0 : 1.0;
}

bool Win32ClientSurface::Fit()
{
    RECT client{};
    ::GetClientRect(window, &client);
    // Win32 lays out in device pixels.
    layout = ClientLayoutFor({client.right, client.bottom}, least, MonitorScale(), 1);
    if (image.Width() == layout.logical.cx && image.Height() == layout.logical.cy
        && image.Scale() == layout.imageScale) {
        return false;
    }
    // Move-assigned: drawing contexts hold on to this very object.
    image = Bitmap(layout.logical.cx, layout.logical.cy, layout.imageScale);
    return true;
}

RECT Win32ClientSurface::Shown(const Rect& area) const
{
    const double scale = layout.pixelsPerLogical;
    RECT shown{static_cast<LONG>(std::floor(layout.origin.x + area.left * scale)),
               static_cast<LONG>(std::floor(layout.origin.y + area.top * scale)),
               static_cast<LONG>(std::ceil(layout.origin.x + area.right * scale)),
               static_cast<LONG>(std::ceil(layout.origin.y + area.bottom * scale))};
    // Smoothed, a screen pixel at the edge of the area mixes in the image's
    // pixels on both sides of it; it is shown again too.
    if (!layout.exact) {
        InflateRect(&shown, 1, 1);
    }
    return shown;
}

void Win32ClientSurface::Present(const Rect& area)
{
    if (batched || !IsWindowVisible(window) || area.IsEmpty()) {
        return;
    }
    const WindowDC dc(window);
    if (dc.Get()) {
        ShowOn(dc.Get(), Shown(area));
    }
}

void Win32ClientSurface::ShowAll()
{
    if (!IsWindowVisible(window)) {
        return;
    }
    RECT client{};
    ::GetClientRect(window, &client);
    const WindowDC dc(window);
    if (dc.Get()) {
        ShowOn(dc.Get(), client);
    }
}

void Win32ClientSurface::ShowOn(HDC dc, const RECT& clip) const
{
    const SavedDC saved(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    const int width = image.Width() * image.Scale(), height = image.Height() * image.Scale();
    const RECT target{layout.origin.x, layout.origin.y,
                      layout.origin.x + static_cast<LONG>(std::lround(image.Width() * layout.pixelsPerLogical)),
                      layout.origin.y + static_cast<LONG>(std::lround(image.Height() * layout.pixelsPerLogical))};
    // The bands beside the playfield take the colour the game erased its
    // client area with: it never draws in its margins, so its corner has it.
    if (!image.Data().empty()) {
        const std::uint32_t corner = image.Data().front();
        const Brush band(CreateSolidBrush(RGB((corner >> 16) & 0xFF, (corner >> 8) & 0xFF, corner & 0xFF)));
        RECT client{};
        ::GetClientRect(window, &client);
        const RECT bands[] = {{client.left, client.top, client.right, target.top},
                              {client.left, target.bottom, client.right, client.bottom},
                              {client.left, target.top, target.left, target.bottom},
                              {target.right, target.top, client.right, target.bottom}};
        for (const RECT& each : bands) {
            if (band && each.right > each.left && each.bottom > each.top) {
                FillRect(dc, &each, band.get());
            }
        }
    }
    if (width == 0 || height == 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as the image's rows are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Smoothing averages the image's extra pixels into the screen's, so text
    // and card edges stay even at any zoom. Each screen pixel then mixes
    // image pixels around it, so the whole image is drawn, clipped: a part
    // drawn alone would mix in only its own.
    SetStretchBltMode(dc, layout.exact ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0, width,
                  height, image.Data().data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

} // namespace tw
