#include "PixelBuffer.h"

#include "cards32/CardImageCache.h"
#include "cards32/CardRenderer.h"
#include "cards32/cards32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using cards32::CardImageCache;
using cards32::CardRenderer;
using cards32::ImageKind;

constexpr std::uint32_t kBackground = 0xFF004000;

std::vector<std::uint32_t> drawn(int card, int mode, int scale = 1)
{
    PixelBuffer buffer(71 * scale, 96 * scale, kBackground, scale);
    EXPECT_NE(cdtDraw(buffer.target(), 0, 0, card, mode, 0), 0) << card << " mode " << mode;
    return buffer.raw();
}

// A mix-up in rank or suit arithmetic, or a missing rank glyph, shows up
// as two cards drawn alike.
TEST(Cards32Art, AllFiftyTwoFacesDiffer)
{
    std::vector<std::vector<std::uint32_t>> faces;
    for (int card = 0; card < 52; ++card) {
        faces.push_back(drawn(card, CDT_FACES));
    }
    for (int a = 0; a < 52; ++a) {
        for (int b = a + 1; b < 52; ++b) {
            EXPECT_NE(faces[a], faces[b]) << "cards " << a << " and " << b;
        }
    }
}

TEST(Cards32Art, BacksDifferFromEveryFaceAndFromEachOther)
{
    std::vector<std::vector<std::uint32_t>> backs;
    for (int design = CDT_FIRST_BACK; design <= CDT_LAST_BACK; ++design) {
        backs.push_back(drawn(design, CDT_BACKS));
    }
    for (std::size_t a = 0; a < backs.size(); ++a) {
        for (std::size_t b = a + 1; b < backs.size(); ++b) {
            EXPECT_NE(backs[a], backs[b]) << "designs " << a + CDT_FIRST_BACK << ", " << b + CDT_FIRST_BACK;
        }
    }
    const std::vector<std::uint32_t>& back = backs[54 - CDT_FIRST_BACK];
    for (int card = 0; card < 52; ++card) {
        EXPECT_NE(drawn(card, CDT_FACES), back) << "card " << card;
    }
}

TEST(Cards32Art, SuitsUseTheirColours)
{
    auto hasPixel = [](const std::vector<std::uint32_t>& pixels, auto predicate) {
        for (std::uint32_t p : pixels) {
            if (predicate(p)) {
                return true;
            }
        }
        return false;
    };
    auto isRed = [](std::uint32_t p) {
        return ((p >> 16) & 0xFF) > 0xB0 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x50;
    };
    for (int rank = 1; rank < 10; ++rank) {
        EXPECT_TRUE(hasPixel(drawn(rank * 4 + 1, CDT_FACES), isRed)) << "diamonds rank " << rank;
        EXPECT_TRUE(hasPixel(drawn(rank * 4 + 2, CDT_FACES), isRed)) << "hearts rank " << rank;
        EXPECT_FALSE(hasPixel(drawn(rank * 4 + 0, CDT_FACES), isRed)) << "clubs rank " << rank;
        EXPECT_FALSE(hasPixel(drawn(rank * 4 + 3, CDT_FACES), isRed)) << "spades rank " << rank;
    }
}

TEST(Cards32Art, HighlightInvertsTheFaceAndKeepsItsShape)
{
    const QImage face = CardRenderer::render(ImageKind::Face, 20, 1);
    const QImage highlight = CardRenderer::render(ImageKind::Highlight, 20, 1);
    ASSERT_EQ(face.size(), highlight.size());
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const QRgb f = face.pixel(x, y);
            const QRgb h = highlight.pixel(x, y);
            ASSERT_EQ(qAlpha(f), qAlpha(h)) << x << "," << y;
            if (qAlpha(f) == 255) {
                ASSERT_EQ(h & 0xFFFFFF, ~f & 0xFFFFFF) << x << "," << y;
            }
        }
    }
    // The corners stay transparent, so the table shows through them.
    const std::vector<std::uint32_t> drawnHighlight = drawn(20, CDT_HILITE);
    EXPECT_EQ(drawnHighlight.front(), kBackground);
    EXPECT_EQ(drawnHighlight.back(), kBackground);
}

TEST(Cards32Cache, RendersEachCardOncePerScaleUntilCleared)
{
    CardImageCache cache;
    const QImage first = cache.image(ImageKind::Face, 7, 1);
    const QImage again = cache.image(ImageKind::Face, 7, 1);
    EXPECT_EQ(first.cacheKey(), again.cacheKey()); // the same stored image
    EXPECT_EQ(cache.size(), 1u);

    const QImage doubled = cache.image(ImageKind::Face, 7, 2);
    EXPECT_EQ(doubled.width(), 142);
    EXPECT_EQ(doubled.height(), 192);
    cache.image(ImageKind::Highlight, 7, 1);
    cache.image(ImageKind::Back, 54, 1);
    EXPECT_EQ(cache.size(), 4u);

    EXPECT_TRUE(cache.image(ImageKind::Back, 7, 1).isNull());
    EXPECT_EQ(cache.size(), 4u);

    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_NE(cache.image(ImageKind::Face, 7, 1).cacheKey(), first.cacheKey());
}

} // namespace
