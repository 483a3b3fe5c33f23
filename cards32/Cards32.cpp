// The exported entry points. Everything else in the module is hidden; these
// five are the whole of its interface.
#pragma GCC visibility push(default)
#include "cards32/cards32.h"
#pragma GCC visibility pop

#include "cards32/Blit.h"
#include "cards32/CardImageCache.h"
#include "cards32/CardMetrics.h"
#include "cards32/Stretch.h"

#include <cstdint>
#include <optional>

namespace {

using namespace cards32;

// Stretched images larger than this on either side are refused rather than
// allocated; nothing on a screen needs them.
constexpr std::int64_t kMaxStretch = 16384;

std::optional<ImageKind> kindOf(std::int32_t mode)
{
    switch (mode) {
    case CDT_FACES: return ImageKind::Face;
    case CDT_BACKS: return ImageKind::Back;
    case CDT_HILITE: return ImageKind::Highlight;
    default: return std::nullopt;
    }
}

std::int32_t draw(const CdtTarget* target, std::int32_t x, std::int32_t y, std::int32_t dx,
                  std::int32_t dy, std::int32_t card, std::int32_t mode, std::uint32_t color)
{
    if (!Blit::isUsable(target) || target->scale > kMaxScale || dx <= 0 || dy <= 0) {
        return 0;
    }
    const std::int64_t scale = target->scale;
    const std::int64_t left = std::int64_t{x} * scale;
    const std::int64_t top = std::int64_t{y} * scale;
    const std::int64_t width = std::int64_t{dx} * scale;
    const std::int64_t height = std::int64_t{dy} * scale;

    if (mode == CDT_REMOVE) {
        Blit::fill(*target, left, top, width, height, Blit::fromWindowsColor(color));
        return 1;
    }

    const std::optional<ImageKind> kind = kindOf(mode);
    const std::shared_ptr<const SolidImage> solid = kind ? sharedCache().image(*kind, card, target->scale) : nullptr;
    if (!solid) {
        return 0;
    }
    if (dx == kCardWidth && dy == kCardHeight) {
        Blit::copySolid(*target, left, top, *solid);
        return 1;
    }
    if (width > kMaxStretch || height > kMaxStretch) {
        return 0;
    }
    // Smooth scaling gives the edge half-covered pixels again.
    Blit::composite(*target, left, top, Stretched(solid->image(), static_cast<int>(width), static_cast<int>(height)));
    return 1;
}

} // namespace

extern "C" {

int32_t cdtInit(int32_t* width, int32_t* height)
{
    if (width) {
        *width = kCardWidth;
    }
    if (height) {
        *height = kCardHeight;
    }
    return 1;
}

int32_t cdtDraw(const CdtTarget* target, int32_t x, int32_t y, int32_t card, int32_t mode,
                uint32_t color)
{
    return draw(target, x, y, kCardWidth, kCardHeight, card, mode, color);
}

int32_t cdtDrawExt(const CdtTarget* target, int32_t x, int32_t y, int32_t dx, int32_t dy,
                   int32_t card, int32_t mode, uint32_t color)
{
    return draw(target, x, y, dx, dy, card, mode, color);
}

int32_t cdtAnimate(const CdtTarget* target, int32_t cardBack, int32_t x, int32_t y,
                   int32_t frame)
{
    static_cast<void>(frame); // every back has a single frame
    return draw(target, x, y, kCardWidth, kCardHeight, cardBack, CDT_BACKS, 0);
}

void cdtTerm(void)
{
    sharedCache().clear();
}

} // extern "C"
