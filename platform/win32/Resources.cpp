#include "platform/Resources.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/GdiObjects.h"

namespace tw {

std::optional<Bitmap> LoadBitmapResource(int id)
{
    const GdiObject loaded(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                      LR_CREATEDIBSECTION));
    BITMAP shape {};
    if (!loaded || GetObjectW(loaded.Get(), sizeof shape, &shape) == 0) {
        return std::nullopt;
    }
    Bitmap bitmap(shape.bmWidth, shape.bmHeight);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight; // top row first, as the game's bitmaps are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const GdiMemoryDC dc;
    const PixelView pixels = bitmap.Pixels();
    if (GetDIBits(dc.Get(), static_cast<HBITMAP>(loaded.Get()), 0, static_cast<UINT>(shape.bmHeight), pixels.pixels,
                  &info, DIB_RGB_COLORS) != shape.bmHeight) {
        return std::nullopt;
    }
    // GDI leaves the byte above blue, green and red empty; the game's pixels are opaque.
    std::for_each(pixels.pixels, pixels.pixels + pixels.width * pixels.height,
                  [](std::uint32_t& pixel) { pixel |= 0xFF000000u; });
    return bitmap;
}

} // namespace tw
