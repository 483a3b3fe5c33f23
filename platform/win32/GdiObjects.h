#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace tw {

// A GDI object deleted with its owner.
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object(object) {}
    ~GdiObject()
    {
        if (object) {
            DeleteObject(object);
        }
    }
    GdiObject(GdiObject&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    GdiObject& operator=(GdiObject other) noexcept
    {
        std::swap(object, other.object);
        return *this;
    }

    HGDIOBJ Get() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    HGDIOBJ object = nullptr;
};

// A GDI memory device context compatible with the screen, for what GDI
// itself draws or converts (text, resource bitmaps).
class GdiMemoryDC {
public:
    GdiMemoryDC() : dc(CreateCompatibleDC(nullptr)) {}
    ~GdiMemoryDC()
    {
        if (dc) {
            DeleteDC(dc);
        }
    }
    GdiMemoryDC(const GdiMemoryDC&) = delete;
    GdiMemoryDC& operator=(const GdiMemoryDC&) = delete;

    HDC Get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HDC dc;
};

// A top-down 32-bit DIB section: its pixels, 0x00RRGGBB as GDI writes them,
// are ours to read row by row.
class DibSection {
public:
    DibSection(const GdiMemoryDC& dc, int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = GdiObject(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels = static_cast<std::uint32_t*>(bits);
        this->width = width;
    }

    HGDIOBJ Handle() const { return bitmap.Get(); }
    explicit operator bool() const { return bitmap && pixels; }
    const std::uint32_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * width; }

private:
    GdiObject bitmap;
    std::uint32_t* pixels = nullptr;
    int width = 0;
};

} // namespace tw
