// Which card images the Windows module should carry beyond scale 6: what
// carrying each scale costs, and how far the other ways of making its images
// lie from what the art paints at that scale.
//
//   card_scales
//
// For each scale from 7 to 12: the bytes the archive grows by to carry it
// (every face and back, deflated as the archive does); then, for a pip card,
// a court card and back 54, each way of making the image from another scale
// (stretched down from a larger one, or up from a smaller one, and made solid
// at the edge as the module does) against the art's own: the mean and the
// largest difference of a premultiplied channel (the largest outside the
// rounded corners), and the share of pixels with a channel more than 8
// levels off.
#include "cards32/CardImages.h"
#include "cards32/ImageArchive.h"
#include "cards32/Stretch.h"
#include "cards32/cards32.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace cards32;

Image Render(ImageKind kind, int index, int scale)
{
    std::optional<Image> image = RenderCardImage(kind, index, scale);
    if (!image) {
        std::fprintf(stderr, "cannot render %d at %d\n", index, scale);
        std::exit(1);
    }
    return std::move(*image);
}

std::size_t ArchiveBytes(int scale)
{
    std::vector<ArchivedImage> images;
    for (int card = 0; card < 52; ++card) {
        images.push_back({ImageKind::Face, card, scale, Render(ImageKind::Face, card, scale)});
    }
    for (int back = CDT_FIRST_BACK; back <= CDT_LAST_BACK; ++back) {
        images.push_back({ImageKind::Back, back, scale, Render(ImageKind::Back, back, scale)});
    }
    return WriteImageArchive(images).size() - WriteImageArchive({}).size();
}

void Compare(const Image& art, const Image& made, const char* name, int from)
{
    const int scale = art.width / 71, corner = CDT_CORNER * scale;
    double sum = 0;
    int largest = 0;
    std::size_t off = 0;
    for (int y = 0; y < art.height; ++y) {
        for (int x = 0; x < art.width; ++x) {
            int worst = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const int difference = std::abs(static_cast<int>((art.row(y)[x] >> shift) & 0xFF) -
                                                static_cast<int>((made.row(y)[x] >> shift) & 0xFF));
                sum += difference;
                worst = std::max(worst, difference);
            }
            // A corner pixel the stretch leaves on the other side of the edge differs wholly.
            const bool inCorner = (x < corner || x >= art.width - corner) && (y < corner || y >= art.height - corner);
            largest = inCorner ? largest : std::max(largest, worst);
            off += worst > 8;
        }
    }
    std::printf("    %-14s %s %2d: mean %5.2f  max %3d outside the corners  >8 levels %5.1f %%\n", name,
                from > scale ? "down from" : "up from  ", from, sum / (4.0 * art.pixels.size()), largest,
                100.0 * off / art.pixels.size());
}

} // namespace

int main()
{
    constexpr int kStored = 6;
    const struct { ImageKind kind; int index; const char* name; } samples[] = {
        {ImageKind::Face, 6 * 4 + 1, "seven (pips)"}, {ImageKind::Face, 12 * 4 + 2, "king (court)"}, {ImageKind::Back, 54, "back 54"}};
    std::printf("scale 6: archive %zu KB for faces and backs\n", ArchiveBytes(kStored) / 1024);
    for (int scale = kStored + 1; scale <= CDT_MAX_SCALE; ++scale) {
        std::printf("scale %d: archive +%zu KB\n", scale, ArchiveBytes(scale) / 1024);
        for (const auto& sample : samples) {
            const Image art = Render(sample.kind, sample.index, scale);
            for (const int from : {kStored, 10, static_cast<int>(CDT_MAX_SCALE)}) {
                if (from != scale) {
                    Compare(art, StretchedCard(Render(sample.kind, sample.index, from), scale), sample.name, from);
                }
            }
        }
    }
    return 0;
}
