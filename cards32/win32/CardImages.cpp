// On Windows the card images are the ones the Linux art drew at build time,
// carried in the module as a resource.
#include "cards32/CardImages.h"
#include "cards32/CardMetrics.h"
#include "cards32/ImageArchive.h"
#include "cards32/Stretch.h"

#include <windows.h>

#include <cstdint>
#include <span>

namespace cards32 {
namespace {

// Looked up each time an image is made, which is rare, rather than kept in a
// function's static: its guard would leave state behind when the module is
// unloaded (see sharedCache).
std::span<const std::uint8_t> Archive()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Archive), &self);
    const HRSRC found = FindResourceW(self, L"CARDIMAGES", MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::span(static_cast<const std::uint8_t*>(data), SizeofResource(self, found))
                : std::span<const std::uint8_t>();
}

// The archive carries the scales screens ask for; a larger one, which only a
// window spread over several screens asks for, is stretched from the nearest
// scale it carries, a larger one first, since shrinking keeps the most detail.
std::optional<Image> ImageAtScale(ImageKind kind, int index, int scale)
{
    const std::span<const std::uint8_t> archive = Archive();
    if (std::optional<Image> exact = ReadArchivedImage(archive, kind, index, scale)) {
        return exact;
    }
    for (int from = scale + 1; from <= kMaxScale; ++from) {
        if (std::optional<Image> larger = ReadArchivedImage(archive, kind, index, from)) {
            return StretchedCard(*larger, scale);
        }
    }
    for (int from = scale - 1; from >= 1; --from) {
        if (std::optional<Image> smaller = ReadArchivedImage(archive, kind, index, from)) {
            return StretchedCard(*smaller, scale);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Image> RenderCardImage(ImageKind kind, int index, int scale)
{
    if (kind != ImageKind::Highlight) {
        return ImageAtScale(kind, index, scale);
    }
    // As the art makes it: in premultiplied form a channel's full value is
    // the alpha, so alpha - c inverts the colour and keeps the shape.
    std::optional<Image> face = ImageAtScale(ImageKind::Face, index, scale);
    if (face) {
        for (std::uint32_t& pixel : face->pixels) {
            const std::uint32_t alpha = pixel >> 24;
            std::uint32_t inverted = alpha << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                inverted |= (alpha - ((pixel >> shift) & 0xFF)) << shift;
            }
            pixel = inverted;
        }
    }
    return face;
}

} // namespace cards32
