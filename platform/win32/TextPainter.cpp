#include "platform/TextPainter.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/GdiObjects.h"
#include "platform/win32/WideText.h"

namespace tw::text_painter {
namespace {

// A drawing context's default font, the system font, at `scale` device
// pixels per logical pixel: the stock font itself at 1, so the text is the
// system's own, and the same face made that much larger above.
GdiObject FontAt(int scale)
{
    LOGFONTW font{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
    font.lfHeight *= scale;
    font.lfWidth *= scale;
    return GdiObject(CreateFontIndirectW(&font));
}

Size ExtentIn(HDC dc, const std::wstring& text)
{
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    return {extent.cx, extent.cy};
}

COLORREF ToColorRef(ColorRef colour) { return RGB(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

} // namespace

std::optional<Size> Measure(std::string_view text)
{
    const GdiMemoryDC dc;
    if (!dc) {
        return std::nullopt;
    }
    SelectObject(dc.Get(), GetStockObject(SYSTEM_FONT));
    return ExtentIn(dc.Get(), Wide(text));
}

std::optional<Rect> Draw(const PixelView& target, Point at, std::string_view text, ColorRef foreground,
                         ColorRef background)
{
    const std::optional<Size> extent = Measure(text);
    if (!target || !extent) {
        return std::nullopt;
    }
    const int scale = target.scale;
    const int width = extent->cx * scale, height = extent->cy * scale;
    const Rect cell = Rect::FromSize(at.x, at.y, extent->cx, extent->cy);
    if (width <= 0 || height <= 0) {
        return cell;
    }
    const GdiMemoryDC dc;
    DibSection cellImage(dc, width, height);
    GdiObject scaledFont = scale == 1 ? GdiObject() : FontAt(scale);
    if (!dc || !cellImage) {
        return std::nullopt;
    }
    const HGDIOBJ previousBitmap = SelectObject(dc.Get(), cellImage.Handle());
    const HGDIOBJ previousFont = SelectObject(dc.Get(), scaledFont ? scaledFont.Get() : GetStockObject(SYSTEM_FONT));
    SetTextColor(dc.Get(), ToColorRef(foreground));
    SetBkColor(dc.Get(), ToColorRef(background));
    SetBkMode(dc.Get(), OPAQUE);
    const RECT whole{0, 0, width, height};
    const std::wstring wide = Wide(text);
    ExtTextOutW(dc.Get(), 0, 0, ETO_OPAQUE, &whole, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
    GdiFlush();
    SelectObject(dc.Get(), previousFont);
    SelectObject(dc.Get(), previousBitmap);

    // GDI leaves the alpha byte as it was; the target's pixels are opaque.
    const int left = at.x * scale, top = at.y * scale;
    for (int y = std::max(0, -top); y < height && top + y < target.height; ++y) {
        const std::uint32_t* from = cellImage.Row(y);
        std::uint32_t* to = target.pixels + static_cast<std::ptrdiff_t>(top + y) * target.stride;
        for (int x = std::max(0, -left); x < width && left + x < target.width; ++x) {
            to[left + x] = 0xFF000000u | (from[x] & 0x00FFFFFFu);
        }
    }
    return cell;
}

} // namespace tw::text_painter
