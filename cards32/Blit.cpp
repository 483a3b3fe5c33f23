#include "cards32/Blit.h"

#include <algorithm>

namespace cards32 {

namespace {

// The part of a w x h rectangle at (x, y) that lies on the target, in target
// coordinates; empty when there is none.
struct Span {
    std::int64_t left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
};

Span clip(const CdtTarget& target, std::int64_t x, std::int64_t y, std::int64_t w,
          std::int64_t h)
{
    return {std::max<std::int64_t>(x, 0), std::max<std::int64_t>(y, 0),
            std::min<std::int64_t>(x + w, target.width),
            std::min<std::int64_t>(y + h, target.height)};
}

std::uint32_t* rowOf(const CdtTarget& target, std::int64_t y)
{
    return target.pixels + y * static_cast<std::int64_t>(target.stride);
}

} // namespace

bool Blit::isUsable(const CdtTarget* target)
{
    return target != nullptr && target->pixels != nullptr && target->width >= 0
        && target->height >= 0 && target->stride >= target->width && target->scale >= 1;
}

std::uint32_t Blit::fromWindowsColor(std::uint32_t color)
{
    const std::uint32_t red = color & 0xFFu;
    const std::uint32_t green = (color >> 8) & 0xFFu;
    const std::uint32_t blue = (color >> 16) & 0xFFu;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::uint32_t Blit::over(std::uint32_t source, std::uint32_t destination)
{
    const std::uint32_t alpha = source >> 24;
    if (alpha == 0xFF) {
        return source;
    }
    if (alpha == 0) {
        return destination | 0xFF000000u;
    }
    const std::uint32_t keep = 255 - alpha;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFFu;
        const std::uint32_t d = (destination >> shift) & 0xFFu;
        const std::uint32_t c = std::min<std::uint32_t>(255, s + (d * keep + 127) / 255);
        out |= c << shift;
    }
    return out;
}

namespace {

// Combines every pixel of `image` that lands on the target, with its
// top-left corner at (x, y), into the target pixel beneath it.
template <typename Combine>
void forEachCoveredPixel(const CdtTarget& target, std::int64_t x, std::int64_t y, const Image& image,
                         Combine combine)
{
    const Span s = clip(target, x, y, image.width, image.height);
    if (s.empty()) {
        return;
    }
    for (std::int64_t ty = s.top; ty < s.bottom; ++ty) {
        const std::uint32_t* src = image.row(static_cast<int>(ty - y));
        std::uint32_t* dst = rowOf(target, ty);
        for (std::int64_t tx = s.left; tx < s.right; ++tx) {
            dst[tx] = combine(src[tx - x], dst[tx]);
        }
    }
}

} // namespace

void Blit::composite(const CdtTarget& target, std::int64_t x, std::int64_t y,
                     const Image& image)
{
    forEachCoveredPixel(target, x, y, image, over);
}

void Blit::copySolid(const CdtTarget& target, std::int64_t x, std::int64_t y, const SolidImage& solid)
{
    const Image& image = solid.image();
    const Span s = clip(target, x, y, image.width, image.height);
    if (s.empty()) {
        return;
    }
    for (std::int64_t ty = s.top; ty < s.bottom; ++ty) {
        const int imageRow = static_cast<int>(ty - y);
        const std::uint32_t* src = image.row(imageRow);
        std::uint32_t* dst = rowOf(target, ty);
        const SolidImage::Run& run = solid.run(imageRow);
        if (run.single) {
            const std::int64_t left = std::max(s.left, x + run.begin);
            const std::int64_t right = std::min(s.right, x + run.end);
            if (left < right) {
                std::copy(src + (left - x), src + (right - x), dst + left);
            }
            continue;
        }
        for (std::int64_t tx = s.left; tx < s.right; ++tx) {
            const std::uint32_t pixel = src[tx - x];
            const std::uint32_t opaque = 0u - (pixel >> 31); // all ones where alpha is 255
            dst[tx] = (pixel & opaque) | (dst[tx] & ~opaque);
        }
    }
}

void Blit::fill(const CdtTarget& target, std::int64_t x, std::int64_t y, std::int64_t w,
                std::int64_t h, std::uint32_t rgb)
{
    const Span s = clip(target, x, y, w, h);
    if (s.empty()) {
        return;
    }
    for (std::int64_t ty = s.top; ty < s.bottom; ++ty) {
        std::uint32_t* dst = rowOf(target, ty);
        std::fill(dst + s.left, dst + s.right, rgb | 0xFF000000u);
    }
}

} // namespace cards32
