#include "cards32/Stretch.h"

#include "cards32/CardMetrics.h"

#include <algorithm>
#include <array>

namespace cards32 {

namespace {

// A source pixel under a new pixel's footprint and how much of it is covered.
struct Tap {
    int index;
    std::uint64_t weight;
};

// For each of `to` new pixels along one side, the `from` source pixels it
// covers. Measured in units of 1/to of a source pixel, every weight is a whole
// number and each footprint's weights add up to exactly `from`, so the
// averages below round the same way on every machine.
std::vector<std::vector<Tap>> footprints(int from, int to)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    for (std::int64_t i = 0; i < to; ++i) {
        const std::int64_t begin = i * from, end = (i + 1) * from;
        for (std::int64_t j = begin / to; j * to < end; ++j) {
            const std::int64_t covered = std::min(end, (j + 1) * to) - std::max(begin, j * to);
            taps[static_cast<std::size_t>(i)].push_back({static_cast<int>(j), static_cast<std::uint64_t>(covered)});
        }
    }
    return taps;
}

std::uint32_t channel(std::uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFFu; }

} // namespace

Image Stretched(const Image& source, int width, int height)
{
    Image out{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    const std::vector<std::vector<Tap>> across = footprints(source.width, width);
    const std::vector<std::vector<Tap>> down = footprints(source.height, height);
    // Premultiplied channels average as they are: a transparent pixel adds
    // nothing, so colour and coverage stay in step.
    const std::uint64_t whole = static_cast<std::uint64_t>(source.width) * source.height;
    std::vector<std::array<std::uint64_t, 4>> column(static_cast<std::size_t>(source.width));
    for (int y = 0; y < height; ++y) {
        std::fill(column.begin(), column.end(), std::array<std::uint64_t, 4>{});
        for (const Tap& row : down[static_cast<std::size_t>(y)]) {
            const std::uint32_t* src = source.row(row.index);
            for (int x = 0; x < source.width; ++x) {
                for (int c = 0; c < 4; ++c) {
                    column[static_cast<std::size_t>(x)][c] += row.weight * channel(src[x], c);
                }
            }
        }
        std::uint32_t* dst = out.row(y);
        for (int x = 0; x < width; ++x) {
            std::array<std::uint64_t, 4> sum{};
            for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
                for (int c = 0; c < 4; ++c) {
                    sum[c] += tap.weight * column[static_cast<std::size_t>(tap.index)][c];
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                pixel |= static_cast<std::uint32_t>((sum[c] + whole / 2) / whole) << (8 * c);
            }
            dst[x] = pixel;
        }
    }
    return out;
}

Image StretchedCard(const Image& source, int scale)
{
    Image card = Stretched(source, kCardWidth * scale, kCardHeight * scale);
    for (std::uint32_t& pixel : card.pixels) {
        const std::uint32_t alpha = pixel >> 24;
        if (alpha == 0 || alpha == 0xFF) {
            continue;
        }
        // Premultiplied: a colour shown wholly is its channel over the alpha.
        std::uint32_t solid = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            solid |= channel(pixel, c) * 0xFF / alpha << (8 * c);
        }
        pixel = alpha < 0x80 ? 0 : solid;
    }
    return card;
}

} // namespace cards32
