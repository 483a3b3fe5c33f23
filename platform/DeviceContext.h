#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/ColorRef.h"
#include "platform/Geometry.h"
#include "platform/PixelView.h"

namespace tw {

// How BitBlt combines source and destination pixels.
enum class RasterOp : std::uint32_t {
    SrcCopy = 0x00CC0020,    // destination = source
    SrcAnd = 0x008800C6,     // destination = destination AND source
    MergePaint = 0x00BB0226, // destination = destination OR NOT source
};

// A drawing context: the target of every drawing operation of the game.
// Coordinates are logical pixels; everything is clipped to the selected
// bitmap, and a context without a bitmap draws nothing.
class DeviceContext {
public:
    virtual ~DeviceContext() = default;
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // The selected bitmap's scale; without one, the scale of the context this
    // one was made compatible with.
    int Scale() const { return surface ? surface->Scale() : compatibleScale; }

    // The rectangle of the selected bitmap; empty without one.
    Rect ClipBox() const;

    // Solid fill, as a pattern blit with a solid brush.
    void FillRect(const Rect& rect, ColorRef colour);

    bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sourceX,
                int sourceY, RasterOp op);

    ColorRef SetTextColor(ColorRef colour);
    ColorRef SetBkColor(ColorRef colour);
    ColorRef GetTextColor() const { return textColour; }
    ColorRef GetBkColor() const { return backgroundColour; }

    // Text in the default font with its cell filled with the background
    // colour. False when nothing could be drawn.
    bool TextOut(int x, int y, std::string_view text);

    // The size of the text's cell in the default font; nullopt when it
    // cannot be measured.
    std::optional<Size> GetTextExtent(std::string_view text) const;

    class PixelLock;

    // Raw access for code that paints pixels itself. `willChange` is the
    // logical area the caller is about to draw into; it counts as changed
    // when the lock is released.
    PixelLock LockPixels(const Rect& willChange);

protected:
    DeviceContext(Bitmap* surface, int compatibleScale);
    Bitmap* Selected() const { return surface; }
    void Select(Bitmap* bitmap) { surface = bitmap; }

    // Called after pixels inside `area` (logical, clipped) may have changed.
    virtual void Changed(const Rect& area);

private:
    Rect DeviceArea(const Rect& logical) const;

    Bitmap* surface;
    int compatibleScale;
    ColorRef textColour = Rgb(0, 0, 0);
    ColorRef backgroundColour = Rgb(255, 255, 255);
};

class DeviceContext::PixelLock {
public:
    ~PixelLock();
    PixelLock(const PixelLock&) = delete;
    PixelLock& operator=(const PixelLock&) = delete;

    const PixelView& View() const { return view; }

private:
    friend class DeviceContext;
    PixelLock(DeviceContext& dc, PixelView view, Rect area) : dc(dc), view(view), area(area) {}

    DeviceContext& dc;
    PixelView view;
    Rect area;
};

// A context that draws into a bitmap of the caller's, like a memory device
// context. It starts with no bitmap selected; it never owns the bitmap.
class MemoryDC final : public DeviceContext {
public:
    explicit MemoryDC(const DeviceContext& compatibleWith);

    // Returns the bitmap that was selected before.
    Bitmap* SelectBitmap(Bitmap* bitmap);
};

// A bitmap whose pixels can be blitted to and from `dc` one to one.
Bitmap CreateCompatibleBitmap(const DeviceContext& dc, int width, int height);

// What a window shows as its client area: an image the window system puts on
// the screen, and the means to put a changed part of it there at once.
class Surface {
public:
    virtual ~Surface() = default;
    virtual Bitmap& Image() = 0;
    virtual void Present(const Rect& area) = 0;
};

// The context of a window's client area. Whatever is drawn through it is on
// the screen before the drawing call returns, so animations that sleep
// between steps are seen step by step.
class ClientDC final : public DeviceContext {
public:
    explicit ClientDC(Surface& surface);

private:
    void Changed(const Rect& area) override;

    Surface& target;
};

} // namespace tw
