#include "platform/TextPainter.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <numeric>
#include <string>
#include <vector>

#include "platform/win32/GdiObjects.h"
#include "platform/win32/WideText.h"

namespace tw::text_painter {
namespace {

// Above scale 1 the system font, a bitmap font, cannot simply be made
// larger: its glyphs keep their size and only move apart. A bold outline
// face of the same cell height draws the text there instead, spread evenly
// over the system font's cell, so the cell and whatever is laid out around
// it stay as measured.
GdiObject OutlineFontFor(const TEXTMETRICW& system, int cellHeight)
{
    LOGFONTW font{};
    font.lfHeight = cellHeight; // positive: the cell's height, not the characters'
    font.lfWeight = std::max<LONG>(system.tmWeight, FW_BOLD); // the system font is bold, whatever it reports
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    font.lfQuality = ANTIALIASED_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::wcsncpy(font.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    return GdiObject(CreateFontIndirectW(&font));
}

// How far each character of `text` moves the pen in the font selected into
// `dc`, stretched evenly so that they add up to `width`.
std::vector<INT> AdvancesOver(HDC dc, const std::wstring& text, int width)
{
    std::vector<INT> ends(text.size());
    SIZE natural{};
    GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, ends.data(), &natural);
    if (natural.cx > 0) {
        std::ranges::for_each(ends, [&](INT& end) { end = static_cast<INT>(std::int64_t{end} * width / natural.cx); });
    }
    std::vector<INT> advances(text.size());
    std::adjacent_difference(ends.begin(), ends.end(), advances.begin());
    return advances;
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
    if (!dc || !cellImage) {
        return std::nullopt;
    }
    const HGDIOBJ previousBitmap = SelectObject(dc.Get(), cellImage.Handle());
    const HGDIOBJ previousFont = SelectObject(dc.Get(), GetStockObject(SYSTEM_FONT));
    const std::wstring wide = Wide(text);
    TEXTMETRICW system{};
    GetTextMetricsW(dc.Get(), &system);
    GdiObject outline;
    std::vector<INT> advances;
    if (scale > 1) {
        outline = OutlineFontFor(system, system.tmHeight * scale);
        SelectObject(dc.Get(), outline.Get());
        // A face wider than the system font's cell is made smaller to fit it.
        SIZE natural{};
        GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &natural);
        if (natural.cx > width) {
            SelectObject(dc.Get(), GetStockObject(SYSTEM_FONT));
            outline = OutlineFontFor(system, static_cast<int>(std::int64_t{system.tmHeight} * scale * width / natural.cx));
            SelectObject(dc.Get(), outline.Get());
        }
        advances = AdvancesOver(dc.Get(), wide, width);
    }
    SetTextColor(dc.Get(), ToColorRef(foreground));
    SetBkColor(dc.Get(), ToColorRef(background));
    SetBkMode(dc.Get(), OPAQUE);
    SetTextAlign(dc.Get(), TA_LEFT | TA_BASELINE);
    const RECT whole{0, 0, width, height};
    ExtTextOutW(dc.Get(), 0, system.tmAscent * scale, ETO_OPAQUE | ETO_CLIPPED, &whole, wide.c_str(),
                static_cast<UINT>(wide.size()), advances.empty() ? nullptr : advances.data());
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
