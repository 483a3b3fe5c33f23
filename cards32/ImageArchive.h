#pragma once

#include "cards32/CardImages.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cards32 {

// Card images drawn once and kept as data: where the art cannot be painted
// (Windows has no Qt), the images the Linux art painted at build time are
// carried in the module and read back pixel for pixel. Each image is
// deflated on its own, so reading one costs only that one.
//
//   "TWCARDS1", u32 count, then per image: u8 kind, u8 index, u8 scale, u8 0,
//   u32 width, u32 height, u32 offset, u32 size; then the deflated pixels.
//   Numbers are little-endian, as the pixels are.
struct ArchivedImage {
    ImageKind kind;
    int index;
    int scale;
    Image image;
};

std::vector<std::uint8_t> WriteImageArchive(std::span<const ArchivedImage> images);

// The image, or nullopt when the archive does not hold it or is damaged.
std::optional<Image> ReadArchivedImage(std::span<const std::uint8_t> archive, ImageKind kind, int index, int scale);

} // namespace cards32
