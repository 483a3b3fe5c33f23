#include "cards32/ImageArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace cards32 {
namespace {

constexpr std::string_view kMagic = "TWCARDS1";
constexpr std::size_t kEntrySize = 20;

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int byte = 0; byte < 4; ++byte) {
        out[at + static_cast<std::size_t>(byte)] = static_cast<std::uint8_t>(value >> (8 * byte));
    }
}

std::uint32_t Get32(std::span<const std::uint8_t> in, std::size_t at)
{
    std::uint32_t value = 0;
    for (int byte = 3; byte >= 0; --byte) {
        value = value << 8 | in[at + static_cast<std::size_t>(byte)];
    }
    return value;
}

} // namespace

std::vector<std::uint8_t> WriteImageArchive(std::span<const ArchivedImage> images)
{
    const std::size_t header = kMagic.size() + 4 + kEntrySize * images.size();
    std::vector<std::uint8_t> out(header);
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    Put32(out, kMagic.size(), static_cast<std::uint32_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const ArchivedImage& each = images[i];
        const auto* bytes = reinterpret_cast<const Bytef*>(each.image.pixels.data());
        const uLong length = static_cast<uLong>(each.image.pixels.size() * sizeof(std::uint32_t));
        uLongf packedLength = compressBound(length);
        std::vector<std::uint8_t> packed(packedLength);
        compress2(packed.data(), &packedLength, bytes, length, Z_BEST_COMPRESSION);
        const std::size_t entry = kMagic.size() + 4 + kEntrySize * i;
        out[entry] = static_cast<std::uint8_t>(each.kind);
        out[entry + 1] = static_cast<std::uint8_t>(each.index);
        out[entry + 2] = static_cast<std::uint8_t>(each.scale);
        Put32(out, entry + 4, static_cast<std::uint32_t>(each.image.width));
        Put32(out, entry + 8, static_cast<std::uint32_t>(each.image.height));
        Put32(out, entry + 12, static_cast<std::uint32_t>(out.size()));
        Put32(out, entry + 16, static_cast<std::uint32_t>(packedLength));
        out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedLength));
    }
    return out;
}

std::optional<Image> ReadArchivedImage(std::span<const std::uint8_t> archive, ImageKind kind, int index, int scale)
{
    if (archive.size() < kMagic.size() + 4 || std::memcmp(archive.data(), kMagic.data(), kMagic.size()) != 0) {
        return std::nullopt;
    }
    const std::size_t count = Get32(archive, kMagic.size());
    if (archive.size() < kMagic.size() + 4 + kEntrySize * count) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kMagic.size() + 4 + kEntrySize * i;
        if (archive[entry] != static_cast<std::uint8_t>(kind) || archive[entry + 1] != index ||
            archive[entry + 2] != scale) {
            continue;
        }
        Image image{static_cast<int>(Get32(archive, entry + 4)), static_cast<int>(Get32(archive, entry + 8)), {}};
        const std::size_t offset = Get32(archive, entry + 12), size = Get32(archive, entry + 16);
        if (offset > archive.size() || size > archive.size() - offset || image.width <= 0 || image.height <= 0 ||
            image.width > 4096 || image.height > 4096) {
            return std::nullopt;
        }
        image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
        uLongf length = static_cast<uLongf>(image.pixels.size() * sizeof(std::uint32_t));
        const uLongf expected = length;
        if (uncompress(reinterpret_cast<Bytef*>(image.pixels.data()), &length, archive.data() + offset,
                       static_cast<uLong>(size)) != Z_OK ||
            length != expected) {
            return std::nullopt;
        }
        return image;
    }
    return std::nullopt;
}

} // namespace cards32
