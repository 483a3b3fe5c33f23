// Draws every face and back at the scales a window asks for into the archive
// that the Windows module carries (a highlight is its face inverted, which
// that module does itself), and notes what this module draws for every
// image, highlights too, for the Windows module's test to compare with:
//
//   cards32_archive_writer <archive> <draws>
//
// Each line of <draws>: mode, card, scale and a hash of the pixels cdtDraw
// leaves in a card-sized target filled with the background first.
#include "cards32/CardImages.h"
#include "cards32/CardMetrics.h"
#include "cards32/ImageArchive.h"
#include "cards32/cards32.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using namespace cards32;

// The largest scale a maximised window asks for, on an 8K screen. Each is
// carried rather than stretched from a larger one: the art lays its strokes
// on whole pixels at every scale, and a stretched image blurs them (see
// bench/CardScales.cpp). The module stretches these for the scales beyond,
// which only a window spread over several screens asks for.
constexpr int kLargestScale = 10;
constexpr std::uint32_t kBackground = 0x00336699;

std::uint64_t Hash(const std::vector<std::uint32_t>& pixels)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const std::uint32_t pixel : pixels) {
        for (int byte = 0; byte < 4; ++byte) {
            hash = (hash ^ ((pixel >> (8 * byte)) & 0xFF)) * 1099511628211ull;
        }
    }
    return hash;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: cards32_archive_writer <archive> <draws>\n");
        return 2;
    }
    std::vector<ArchivedImage> images;
    std::ofstream draws(argv[2]);
    for (int scale = 1; scale <= kLargestScale; ++scale) {
        for (const auto& [kind, mode] : {std::pair(ImageKind::Face, CDT_FACES),
                                         std::pair(ImageKind::Highlight, CDT_HILITE), std::pair(ImageKind::Back, CDT_BACKS)}) {
            for (int index = 0; index <= CDT_LAST_BACK; ++index) {
                if (!IsCardImage(kind, index)) {
                    continue;
                }
                std::optional<Image> image = RenderCardImage(kind, index, scale);
                if (!image) {
                    return 1;
                }
                if (kind != ImageKind::Highlight) {
                    images.push_back({kind, index, scale, std::move(*image)});
                }
                std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kCardWidth * kCardHeight * scale * scale),
                                                  0xFF000000u | kBackground);
                const CdtTarget target{pixels.data(), kCardWidth * scale, kCardHeight * scale, kCardWidth * scale, scale};
                cdtDraw(&target, 0, 0, index, mode, 0);
                draws << mode << ' ' << index << ' ' << scale << ' ' << Hash(pixels) << '\n';
            }
        }
    }
    const std::vector<std::uint8_t> archive = WriteImageArchive(images);
    std::ofstream(argv[1], std::ios::binary).write(reinterpret_cast<const char*>(archive.data()),
                                                    static_cast<std::streamsize>(archive.size()));
    return draws && !archive.empty() ? 0 : 1;
}
