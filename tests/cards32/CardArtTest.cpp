#include "PixelBuffer.h"

#include "cards32/CardImageCache.h"
#include "cards32/CardRenderer.h"
#include "cards32/cards32.h"
#include "support/TestOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using cards32::CardRenderer;
using cards32::ImageKind;

constexpr std::uint32_t kFelt = 0xFF004000;

std::vector<std::uint32_t> drawn(int card, int mode)
{
    PixelBuffer buffer(71, 96, kFelt);
    EXPECT_NE(cdtDraw(buffer.target(), 0, 0, card, mode, 0), 0) << card << " mode " << mode;
    return buffer.raw();
}

// A mix-up in rank or suit arithmetic, a missing rank glyph, a highlight drawn
// plain or a design drawn for another shows up as two images alike.
TEST(Cards32Art, EveryFaceHighlightAndBackDiffers)
{
    std::vector<std::vector<std::uint32_t>> images;
    for (int card = 0; card < 52; ++card) {
        images.push_back(drawn(card, CDT_FACES));
        images.push_back(drawn(card, CDT_HILITE));
    }
    for (int design = CDT_FIRST_BACK; design <= CDT_LAST_BACK; ++design) {
        images.push_back(drawn(design, CDT_BACKS));
    }
    for (std::size_t a = 0; a < images.size(); ++a) {
        for (std::size_t b = a + 1; b < images.size(); ++b) {
            EXPECT_NE(images[a], images[b]) << "images " << a << " and " << b;
        }
    }
}

TEST(Cards32Art, SuitsUseTheirColours)
{
    const auto hasRed = [](int card) {
        return std::ranges::any_of(drawn(card, CDT_FACES), [](std::uint32_t p) {
            return ((p >> 16) & 0xFF) > 0xB0 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x50;
        });
    };
    for (int card = 4; card < 40; ++card) {
        EXPECT_EQ(hasRed(card), card % 4 == 1 || card % 4 == 2) << card;
    }
}

TEST(Cards32Art, HighlightInvertsTheFaceAndKeepsItsShape)
{
    const QImage face = CardRenderer::render(ImageKind::Face, 20, 1);
    const QImage highlight = CardRenderer::render(ImageKind::Highlight, 20, 1);
    ASSERT_EQ(face.size(), highlight.size());
    for (int at = 0; at < face.width() * face.height(); ++at) {
        const QRgb f = face.pixel(at % face.width(), at / face.width());
        const QRgb h = highlight.pixel(at % face.width(), at / face.width());
        ASSERT_EQ(qAlpha(f), qAlpha(h)) << at;
        ASSERT_TRUE(qAlpha(f) != 255 || (h & 0xFFFFFF) == (~f & 0xFFFFFF)) << at;
    }
}

TEST(Cards32Cache, RendersEachCardOncePerScaleUntilCleared)
{
    cards32::CardImageCache cache;
    const QImage first = cache.image(ImageKind::Face, 7, 1);
    EXPECT_EQ(cache.image(ImageKind::Face, 7, 1).cacheKey(), first.cacheKey()); // the same stored image
    EXPECT_EQ(cache.image(ImageKind::Face, 7, 2).size(), QSize(142, 192));
    cache.image(ImageKind::Highlight, 7, 1);
    cache.image(ImageKind::Back, 54, 1);
    EXPECT_TRUE(cache.image(ImageKind::Back, 7, 1).isNull());
    EXPECT_EQ(cache.size(), 4u);
    cache.clear();
    EXPECT_NE(cache.image(ImageKind::Face, 7, 1).cacheKey(), first.cacheKey());
}

// A picture to judge the art by, at both scales: every face in suit rows,
// then a row of backs, a highlighted card and a stretched one, on the felt.
TEST(Cards32ContactSheet, WritesTheDeckAtOneAndTwoTimesScale)
{
    constexpr int kGap = 6;
    const auto x = [](int column) { return kGap + column * (71 + kGap); };
    const auto y = [](int row) { return kGap + row * (96 + kGap); };
    for (const int scale : {1, 2}) {
        PixelBuffer buffer(x(13) * scale, y(5) * scale, kFelt, scale);
        for (int card = 0; card < 52; ++card) {
            cdtDraw(buffer.target(), x(card / 4), y(card % 4), card, CDT_FACES, 0);
        }
        int column = 0;
        for (int back : {54, 53, 55, 56, 58, 62, 66}) {
            cdtDraw(buffer.target(), x(column++), y(4), back, CDT_BACKS, 0);
        }
        cdtDraw(buffer.target(), x(column++), y(4), 51, CDT_HILITE, 0);
        cdtDrawExt(buffer.target(), x(column), y(4), 50, 68, 48, CDT_FACES, 0);
        const QImage sheet(reinterpret_cast<const uchar*>(buffer.raw().data()), buffer.width(), buffer.height(),
                           buffer.stride() * 4, QImage::Format_RGB32);
        const char* name = scale == 1 ? "cards32-contact-sheet.png" : "cards32-contact-sheet@2x.png";
        EXPECT_TRUE(sheet.save(QString::fromStdString(tw::test::TestOutputPath(name).string())));
    }
    cdtTerm();
}

} // namespace
