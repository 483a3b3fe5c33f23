#include "platform/DeviceContext.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/TextPainter.h"

namespace tw {
namespace {

// The pixel of `view` that lies under (x, y), a position given in device
// pixels of another scale: for blits between contexts of different scales.
std::uint32_t SampleAtScale(const PixelView& view, int otherX, int otherY, int otherScale)
{
    const int x = otherX * view.scale / otherScale;
    const int y = otherY * view.scale / otherScale;
    return view.pixels[static_cast<std::size_t>(y) * view.stride + x];
}

// Runs `combine(destination, source)` over one row of pixels.
template <typename Combine>
void CombineRow(std::uint32_t* out, const std::uint32_t* in, int count, Combine combine)
{
    for (int i = 0; i < count; ++i) {
        out[i] = combine(out[i], in[i]);
    }
}

void BlendRow(RasterOp op, std::uint32_t* out, const std::uint32_t* in, int count)
{
    switch (op) {
    case RasterOp::SrcCopy:
        std::copy_n(in, count, out);
        break;
    case RasterOp::SrcAnd:
        CombineRow(out, in, count, [](std::uint32_t d, std::uint32_t s) { return d & s; });
        break;
    case RasterOp::MergePaint:
        CombineRow(out, in, count, [](std::uint32_t d, std::uint32_t s) { return 0xFF000000u | d | ~s; });
        break;
    }
}

} // namespace

DeviceContext::DeviceContext(Bitmap* surface, int compatibleScale)
    : surface(surface), compatibleScale(std::max(compatibleScale, 1))
{
}

void DeviceContext::Changed(const Rect&) {}

Rect DeviceContext::ClipBox() const
{
    if (!surface) {
        return {};
    }
    return Rect::FromSize(0, 0, surface->Width(), surface->Height());
}

Rect DeviceContext::DeviceArea(const Rect& logical) const
{
    if (!surface) {
        return {};
    }
    const int scale = Scale();
    const Rect device{logical.left * scale, logical.top * scale, logical.right * scale,
                      logical.bottom * scale};
    const PixelView view = surface->Pixels();
    return device.Intersect(Rect::FromSize(0, 0, view.width, view.height));
}

void DeviceContext::FillRect(const Rect& rect, ColorRef colour)
{
    const Rect area = DeviceArea(rect);
    if (area.IsEmpty()) {
        return;
    }
    const PixelView view = surface->Pixels();
    const std::uint32_t pixel = ToDevicePixel(colour);
    for (int y = area.top; y < area.bottom; ++y) {
        std::uint32_t* row = view.pixels + static_cast<std::size_t>(y) * view.stride;
        std::fill(row + area.left, row + area.right, pixel);
    }
    Changed(rect.Intersect(ClipBox()));
}

bool DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& source,
                           int sourceX, int sourceY, RasterOp op)
{
    if (!surface || !source.surface) {
        return false;
    }
    // Clip the destination rectangle against both bitmaps, in logical pixels,
    // keeping source and destination in step.
    const Rect wanted = Rect::FromSize(x, y, width, height);
    const Rect sourceInDestination =
        Rect::FromSize(x - sourceX, y - sourceY, source.surface->Width(), source.surface->Height());
    const Rect logical = wanted.Intersect(ClipBox()).Intersect(sourceInDestination);
    if (logical.IsEmpty()) {
        return true;
    }
    const Rect area = DeviceArea(logical);
    const PixelView to = surface->Pixels();
    const PixelView from = const_cast<Bitmap*>(source.surface)->Pixels();
    const int scale = Scale();
    const int offsetX = (sourceX - x) * scale;
    const int offsetY = (sourceY - y) * scale;
    const int rowLength = area.right - area.left;
    std::vector<std::uint32_t> sampled;
    for (int row = area.top; row < area.bottom; ++row) {
        std::uint32_t* out = to.pixels + static_cast<std::size_t>(row) * to.stride + area.left;
        const std::uint32_t* in = nullptr;
        if (source.Scale() == scale) {
            in = from.pixels + static_cast<std::size_t>(row + offsetY) * from.stride + area.left + offsetX;
        } else {
            sampled.resize(static_cast<std::size_t>(rowLength));
            for (int column = 0; column < rowLength; ++column) {
                sampled[column] = SampleAtScale(from, area.left + column + offsetX, row + offsetY, scale);
            }
            in = sampled.data();
        }
        BlendRow(op, out, in, rowLength);
    }
    Changed(logical);
    return true;
}

ColorRef DeviceContext::SetTextColor(ColorRef colour)
{
    return std::exchange(textColour, colour);
}

ColorRef DeviceContext::SetBkColor(ColorRef colour)
{
    return std::exchange(backgroundColour, colour);
}

bool DeviceContext::TextOut(int x, int y, std::string_view text)
{
    if (!surface) {
        return false;
    }
    const std::optional<Rect> drawn =
        text_painter::Draw(surface->Pixels(), {x, y}, text, textColour, backgroundColour);
    if (!drawn) {
        return false;
    }
    Changed(drawn->Intersect(ClipBox()));
    return true;
}

std::optional<Size> DeviceContext::GetTextExtent(std::string_view text) const
{
    return text_painter::Measure(text);
}

DeviceContext::PixelLock DeviceContext::LockPixels(const Rect& willChange)
{
    if (!surface) {
        return PixelLock(*this, {}, {});
    }
    return PixelLock(*this, surface->Pixels(), willChange.Intersect(ClipBox()));
}

DeviceContext::PixelLock::~PixelLock()
{
    if (!area.IsEmpty()) {
        dc.Changed(area);
    }
}

MemoryDC::MemoryDC(const DeviceContext& compatibleWith) : DeviceContext(nullptr, compatibleWith.Scale()) {}

Bitmap* MemoryDC::SelectBitmap(Bitmap* bitmap)
{
    Bitmap* previous = Selected();
    Select(bitmap);
    return previous;
}

Bitmap CreateCompatibleBitmap(const DeviceContext& dc, int width, int height)
{
    return Bitmap(width, height, dc.Scale());
}

ClientDC::ClientDC(Surface& surface) : DeviceContext(&surface.Image(), surface.Image().Scale()), target(surface) {}

void ClientDC::Changed(const Rect& area)
{
    if (!area.IsEmpty()) {
        target.Present(area);
    }
}

} // namespace tw
