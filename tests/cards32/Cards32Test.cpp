#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "cards32/Blit.h"
#include "cards32/CardImageCache.h"
#include "cards32/Stretch.h"
#include "cards32/cards32.h"
#include "cards32/linux/CardRenderer.h"
#include "support/TestOutput.h"

namespace {

using cards32::CardRenderer;
using cards32::ImageKind;

constexpr std::uint32_t kBackground = 0xFF123456;
constexpr int kAceOfSpades = 3;
constexpr int kKingOfHearts = 12 * 4 + 2;
constexpr int kBack = 54;

// A caller-owned pixel block of exactly height * stride pixels, so under
// AddressSanitizer a write past the last row is caught; a stride wider than
// the width leaves a margin at the end of each row that drawing must never
// touch.
struct PixelBuffer {
    PixelBuffer(int width, int height, std::uint32_t fill, int scale = 1, int margin = 0)
        : pixels(static_cast<std::size_t>(height) * (width + margin), fill),
          target{pixels.data(), width, height, width + margin, scale} {}
    PixelBuffer(const PixelBuffer&) = delete;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * target.stride + x]; }

    std::vector<std::uint32_t> pixels;
    CdtTarget target;
};

// The smallest rectangle {left, top, right, bottom} holding every pixel that
// differs from the background, all zero when nothing changed. The row margins
// count too, so a pixel written into one reaches past any covered area.
using Area = std::array<int, 4>;
Area ChangedArea(const PixelBuffer& buffer)
{
    Area area{buffer.target.stride, buffer.target.height, 0, 0};
    for (int y = 0; y < buffer.target.height; ++y) {
        for (int x = 0; x < buffer.target.stride; ++x) {
            if (buffer.at(x, y) != kBackground) {
                area = {std::min(area[0], x), std::min(area[1], y), std::max(area[2], x + 1), std::max(area[3], y + 1)};
            }
        }
    }
    return area[2] == 0 ? Area{} : area;
}

// What a draw into the buffer returned, and the area it changed.
std::pair<int, Area> Drew(int returned, const PixelBuffer& buffer) { return {returned, ChangedArea(buffer)}; }

std::vector<std::uint32_t> Drawn(int card, int mode)
{
    PixelBuffer buffer(71, 96, kBackground);
    EXPECT_NE(cdtDraw(&buffer.target, 0, 0, card, mode, 0), 0) << card << " mode " << mode;
    return buffer.pixels;
}

// The middle of an edge is the dark outline, and the face is plain white
// (that the background stays outside the corners, the highlights' test
// sees). At every scale up to the largest, faces, highlights and backs are
// the Qt renderer's images pixel for pixel, covering their whole rectangle
// but within CDT_CORNER of its corners, the corner itself left clear, as the
// falling card's save-under relies on.
TEST(Cards32Draw, AFaceKeepsTheBackgroundOutsideItsRoundedCornersOnly)
{
    const std::vector<std::uint32_t> face = Drawn(kAceOfSpades, CDT_FACES);
    EXPECT_EQ(face[70 * 71 + 20], 0xFFFFFFFFu);
    EXPECT_LT(face[35] & 0xFF, 0x40u);
    for (auto [kind, index, mode] : {std::tuple{ImageKind::Face, kAceOfSpades, CDT_FACES},
                                     {ImageKind::Highlight, kKingOfHearts, CDT_HILITE}, {ImageKind::Back, kBack, CDT_BACKS}}) {
        for (int scale = 1; scale <= CDT_MAX_SCALE; ++scale) {
            const QImage painted = CardRenderer::render(kind, index, scale);
            const int corner = CDT_CORNER * scale, width = painted.width(), height = painted.height();
            PixelBuffer buffer(width, height, kBackground, scale);
            EXPECT_EQ(cdtDraw(&buffer.target, 0, 0, index, mode, 0), 1) << index << " at " << scale;
            int notPainted = 0, seeThroughElsewhere = 0;
            for (int y = 0; y < height; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
                for (int x = 0; x < width; ++x) {
                    const bool inCorner = (x < corner || x >= width - corner) && (y < corner || y >= height - corner);
                    notPainted += buffer.at(x, y) != (qAlpha(row[x]) == 0 ? kBackground : row[x]);
                    seeThroughElsewhere += qAlpha(row[x]) != 255 && !inCorner;
                }
            }
            EXPECT_EQ(std::tuple(notPainted, seeThroughElsewhere, buffer.at(0, height - 1)), std::tuple(0, 0, kBackground))
                << index << " at " << scale;
        }
    }
}

TEST(Cards32Draw, RefusesUnknownCardsDesignsModesAndUnusableTargets)
{
    for (auto [card, mode] : {std::pair<int, int>{-1, CDT_FACES}, {52, CDT_FACES}, {52, CDT_HILITE}, {52, CDT_BACKS},
                              {69, CDT_BACKS}, {0, 3}}) {
        PixelBuffer buffer(100, 100, kBackground);
        EXPECT_EQ(Drew(cdtDraw(&buffer.target, 0, 0, card, mode, 0), buffer), std::pair(0, Area{})) << card << " mode " << mode;
    }
    std::uint32_t pixels[4] = {};
    const CdtTarget unusable[] = {{nullptr, 100, 100, 100, 1}, {pixels, 2, 2, 2, 0}, {pixels, 2, 2, 1, 1},
                                  {pixels, 2, 2, 2, CDT_MAX_SCALE + 1}};
    for (const CdtTarget* target : {&unusable[0], &unusable[1], &unusable[2], &unusable[3], static_cast<const CdtTarget*>(nullptr)}) {
        EXPECT_EQ(std::pair(cdtDraw(target, 0, 0, 0, CDT_FACES, 0), cdtDraw(target, 0, 0, 0, CDT_REMOVE, 0)), std::pair(0, 0));
    }
}

// A card hanging over an edge, or lying just outside one, writes only the
// pixels it covers; the buffer's row margins and exact size catch any other.
TEST(Cards32Clipping, WritesOnlyTheCoveredPartOfTheTarget)
{
    constexpr int kWidth = 100, kHeight = 120;
    for (const int mode : {CDT_FACES, CDT_BACKS, CDT_REMOVE}) {
        for (auto [x, y] : {std::pair{10, 10}, {-40, -50}, {60, 70}, {-71, 10}, {100, 10}, {10, -96}, {10, 120}}) {
            SCOPED_TRACE(::testing::Message() << x << "," << y << " mode " << mode);
            PixelBuffer buffer(kWidth, kHeight, kBackground, 1, 3);
            const Area covered{std::max(x, 0), std::max(y, 0), std::min(x + 71, kWidth), std::min(y + 96, kHeight)};
            EXPECT_EQ(Drew(cdtDraw(&buffer.target, x, y, mode == CDT_BACKS ? kBack : kKingOfHearts, mode, 0x0000FF), buffer),
                      std::pair(1, covered[2] > covered[0] && covered[3] > covered[1] ? covered : Area{}));
        }
    }
    // Scaled to device pixels these would overflow 32 bits and could wrap
    // back onto the target.
    constexpr std::int32_t kFar = 0x7FFFFFF0;
    PixelBuffer buffer(64, 64, kBackground, 4);
    for (auto [x, y] : {std::pair{kFar, 0}, {-kFar, 0}, {0, kFar}, {0, -kFar}}) {
        cdtDraw(&buffer.target, x, y, kKingOfHearts, CDT_FACES, 0);
        cdtDraw(&buffer.target, x, y, 0, CDT_REMOVE, 0xFFFFFF);
    }
    EXPECT_EQ(ChangedArea(buffer), Area{});
}

// Rows whose opaque pixels are one run are copied whole, others pixel by
// pixel; either way only opaque pixels land, clipped to the target.
TEST(Cards32Clipping, CopiesOnlyOpaquePixelsOfAnyRowShape)
{
    constexpr std::uint32_t O = 0xFF00FF00, T = 0; // opaque, transparent
    const std::uint32_t rows[4][4] = {{T, O, O, T}, {O, T, O, T}, {T, T, T, T}, {O, O, O, O}};
    const cards32::SolidImage solid(cards32::Image{4, 4, std::vector(&rows[0][0], &rows[0][0] + 16)});
    for (const int x : {-1, 0, 3}) {
        PixelBuffer buffer(5, 4, kBackground, 1, 2);
        cards32::Blit::copySolid(buffer.target, x, 0, solid);
        for (int y = 0; y < 4; ++y) {
            for (int column = 0; column < 7; ++column) {
                const int imageColumn = column - x;
                const bool lands = column < 5 && imageColumn >= 0 && imageColumn < 4 && rows[y][imageColumn] == O;
                EXPECT_EQ(buffer.at(column, y), lands ? O : kBackground) << "at " << x << ": " << column << "," << y;
            }
        }
    }
}

// At scale 2 a card's rectangle is twice as large (that its image is the
// one rendered at that scale, the corners' test sees). cdtDrawExt stretches
// to any size but an empty one, each new pixel the average of what it
// covers: shrunk to 3x3, a 4x4 square missing its top-left quarter keeps a
// clear corner and gets half- and three-quarter-covered pixels along the
// notch. A card stretched to another scale is wholly card or wholly clear at
// every pixel again.
TEST(Cards32Scale, DoubleScaleIsRenderedAtTwiceTheSizeAndDrawExtAtTheRequestedOne)
{
    PixelBuffer removed(400, 400, kBackground, 2), stretched(300, 300, kBackground);
    EXPECT_EQ(Drew(cdtDraw(&removed.target, 10, 20, 0, CDT_REMOVE, 0xFFFFFF), removed), std::pair(1, Area{20, 40, 162, 232}));
    EXPECT_EQ(Drew(cdtDrawExt(&stretched.target, 5, 6, 142, 48, kBack, CDT_BACKS, 0), stretched), std::pair(1, Area{5, 6, 147, 54}));
    EXPECT_EQ(stretched.at(5, 6), kBackground); // the corner stays see-through
    EXPECT_EQ(cdtDrawExt(&stretched.target, 0, 0, 0, 48, kBack, CDT_BACKS, 0), 0);
    EXPECT_EQ(cdtDrawExt(&stretched.target, 0, 0, 71, -1, kBack, CDT_BACKS, 0), 0);
    constexpr std::uint32_t W = 0xFFFFFFFF;
    const cards32::Image notched = cards32::Stretched({4, 4, {0, 0, W, W, 0, 0, W, W, W, W, W, W, W, W, W, W}}, 3, 3);
    EXPECT_EQ(std::tuple(notched.width, notched.height, notched.pixels),
              std::tuple(3, 3, std::vector<std::uint32_t>{0, 0x80808080, W, 0x80808080, 0xBFBFBFBF, W, W, W, W}));
    const cards32::Image card = cards32::StretchedCard(*cards32::RenderCardImage(ImageKind::Back, kBack, 2), 3);
    const auto partlyCovered = std::ranges::count_if(card.pixels, [](std::uint32_t p) { return p >> 24 != 0 && p >> 24 != 255; });
    EXPECT_EQ(std::tuple(card.width, card.height, partlyCovered), std::tuple(213, 288, 0));
}

// A mix-up in rank or suit arithmetic, a missing rank glyph, a highlight drawn
// plain or a design drawn for another shows up as two images alike. A
// highlight is its face inverted, the background showing through exactly where
// it shows through the face. Of the twos to tens only diamonds and hearts show
// red.
TEST(Cards32Art, EveryImageDiffersHighlightsInvertTheirFacesAndSuitsUseTheirColours)
{
    std::vector<std::vector<std::uint32_t>> images;
    for (int card = 0; card < 52; ++card) {
        images.push_back(Drawn(card, CDT_FACES));
        images.push_back(Drawn(card, CDT_HILITE));
        EXPECT_TRUE(std::ranges::equal(images[2 * card], images[2 * card + 1], [](std::uint32_t f, std::uint32_t h) {
            return f == h ? f == kBackground : (f ^ h) == 0x00FFFFFF;
        })) << "highlight " << card;
        const auto isRed = [](std::uint32_t p) { return (p >> 16 & 0xFF) > 0xB0 && (p >> 8 & 0xFF) < 0x40 && (p & 0xFF) < 0x50; };
        const bool red = std::ranges::any_of(images[2 * card], isRed);
        EXPECT_TRUE(card < 4 || card >= 40 || red == (card % 4 == 1 || card % 4 == 2)) << card;
    }
    for (int design = CDT_FIRST_BACK; design <= CDT_LAST_BACK; ++design) { images.push_back(Drawn(design, CDT_BACKS)); }
    EXPECT_EQ(std::set(images.begin(), images.end()).size(), images.size()) << "two images alike";
}

// A covered card in a stack shows only its upside-down index: a six turned
// half a turn must not look like a nine, nor a nine like a six. Each carries
// a bar under its numeral, its edges on whole pixels, so the two differ by at
// least both bars at every scale.
TEST(Cards32Art, ASixTurnedUpsideDownDiffersFromANineByItsBar)
{
    const auto ink = [](QRgb p) { return qGreen(p) < 128; };
    for (int s = 1; s <= 4; ++s) {
        for (int suit = 0; suit < 4; ++suit) {
            const QImage six = CardRenderer::render(ImageKind::Face, 5 * 4 + suit, s);
            const QImage nine = CardRenderer::render(ImageKind::Face, 8 * 4 + suit, s);
            const QRgb colour = suit == 1 || suit == 2 ? qRgb(0xC8, 0x10, 0x2E) : qRgb(0x10, 0x10, 0x10);
            // The numeral's area of the top index, [3, 10) by [3, 15), turned about its centre. The bar, [4, 9)
            // by [14, 15), is solid ink with a clear row above and below.
            int differ = 0, solid = 0, clear = 0;
            for (int y = 3 * s; y < 15 * s; ++y) {
                for (int x = 3 * s; x < 10 * s; ++x) {
                    differ += ink(six.pixel(x, y)) != ink(nine.pixel(13 * s - 1 - x, 18 * s - 1 - y));
                    const bool bar = x >= 4 * s && x < 9 * s && y >= 14 * s;
                    for (const QImage* card : {&six, &nine}) {
                        solid += bar && card->pixel(x, y) == colour;
                        clear += bar && y == 14 * s && !ink(card->pixel(x, y - 1)) && !ink(card->pixel(x, 15 * s));
                    }
                }
            }
            EXPECT_GE(differ, 2 * 5 * s * s) << "suit " << suit << " at " << s;
            EXPECT_EQ(std::pair(solid, clear), std::pair(2 * 5 * s * s, 2 * 5 * s)) << "suit " << suit << " at " << s;
        }
    }
}

// Only the scale last drawn at is kept: a window resized through every scale
// would otherwise keep hundreds of megabytes of images. Animating draws the
// plain back for any frame, and drawing after cdtTerm renders the same pixels
// again.
TEST(Cards32Cache, RendersEachCardOncePerScaleUntilClearedOrAnotherScale)
{
    cards32::CardImageCache cache;
    const auto first = cache.image(ImageKind::Face, 7, 1);
    EXPECT_EQ(cache.image(ImageKind::Face, 7, 1), first); // the same stored image
    EXPECT_EQ(cache.image(ImageKind::Face, 7, 2)->image().width, 142);
    EXPECT_EQ(cache.size(), 1u); // a new scale's image lets the old scale's go
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);

    const std::vector<std::uint32_t> expected = Drawn(kBack, CDT_BACKS);
    for (int frame : {0, 7}) {
        cdtTerm();
        PixelBuffer animated(71, 96, kBackground);
        EXPECT_NE(cdtAnimate(&animated.target, kBack, 0, 0, frame), 0);
        EXPECT_EQ(animated.pixels, expected) << "frame " << frame;
        EXPECT_EQ(cdtAnimate(&animated.target, kAceOfSpades, 0, 0, frame), 0);
    }
}

// A picture to judge the art by, at both scales: every face in suit rows,
// then a row of backs, a highlighted card and a stretched one, on the felt.
TEST(Cards32ContactSheet, WritesTheDeckAtOneAndTwoTimesScale)
{
    const auto x = [](int column) { return 6 + column * (71 + 6); };
    const auto y = [](int row) { return 6 + row * (96 + 6); };
    for (const int scale : {1, 2}) {
        PixelBuffer buffer(x(13) * scale, y(5) * scale, 0xFF004000, scale);
        for (int card = 0; card < 52; ++card) { cdtDraw(&buffer.target, x(card / 4), y(card % 4), card, CDT_FACES, 0); }
        for (int column = 0; const int back : {54, 53, 55, 56, 58, 62, 66}) {
            cdtDraw(&buffer.target, x(column++), y(4), back, CDT_BACKS, 0);
        }
        cdtDraw(&buffer.target, x(7), y(4), 51, CDT_HILITE, 0);
        cdtDrawExt(&buffer.target, x(8), y(4), 50, 68, 48, CDT_FACES, 0);
        const QImage sheet(reinterpret_cast<const uchar*>(buffer.pixels.data()), x(13) * scale, y(5) * scale, QImage::Format_RGB32);
        const char* name = scale == 1 ? "cards32-contact-sheet.png" : "cards32-contact-sheet@2x.png";
        EXPECT_TRUE(sheet.save(QString::fromStdString(tw::test::TestOutputPath(name).string())));
    }
}

} // namespace
