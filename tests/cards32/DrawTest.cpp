#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

constexpr std::uint32_t kBackground = 0xFF123456;
constexpr int kAceOfSpades = 3;
constexpr int kKingOfHearts = 12 * 4 + 2;

TEST(Cards32Init, ReportsTheCardSize)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    EXPECT_NE(cdtInit(&width, &height), 0);
    EXPECT_EQ(width, 71);
    EXPECT_EQ(height, 96);
}

TEST(Cards32Draw, FaceChangesPixelsOnlyInsideItsRectangle)
{
    PixelBuffer buffer(200, 200, kBackground);
    ASSERT_NE(cdtDraw(buffer.target(), 40, 30, kKingOfHearts, CDT_FACES, 0), 0);
    const ChangedArea area = changedArea(buffer, kBackground);
    EXPECT_EQ(area.left, 40);
    EXPECT_EQ(area.top, 30);
    EXPECT_EQ(area.right, 40 + 71);
    EXPECT_EQ(area.bottom, 30 + 96);
}

TEST(Cards32Draw, CornersOutsideTheRoundedShapeKeepTheBackground)
{
    PixelBuffer buffer(71, 96, kBackground);
    ASSERT_NE(cdtDraw(buffer.target(), 0, 0, kAceOfSpades, CDT_FACES, 0), 0);
    for (auto [x, y] : {std::pair{0, 0}, {70, 0}, {0, 95}, {70, 95}}) {
        EXPECT_EQ(buffer.at(x, y), kBackground) << "corner " << x << "," << y;
    }
    // The middle of each edge is the card's outline, fully opaque and dark.
    EXPECT_NE(buffer.at(35, 0), kBackground);
    EXPECT_LT(buffer.at(35, 0) & 0xFF, 0x40u);
    EXPECT_EQ(buffer.at(20, 70), 0xFFFFFFFFu);           // plain white face
}

TEST(Cards32Draw, RemoveFillsTheWholeRectangleWithTheWindowsColour)
{
    // Windows colours keep red in the low byte; pixels keep it in bits 16-23.
    for (auto [windows, pixel] : {std::pair{0x0000FFu, 0xFFFF0000u},
                                  {0x00FF00u, 0xFF00FF00u},
                                  {0xFF0000u, 0xFF0000FFu},
                                  {0x9A7856u, 0xFF56789Au}}) {
        PixelBuffer buffer(80, 100, kBackground);
        ASSERT_NE(cdtDraw(buffer.target(), 2, 3, 0, CDT_REMOVE, windows), 0);
        const ChangedArea area = changedArea(buffer, kBackground);
        EXPECT_EQ(area.left, 2);
        EXPECT_EQ(area.top, 3);
        EXPECT_EQ(area.width(), 71);
        EXPECT_EQ(area.height(), 96);
        // Corners included: the fill is a plain rectangle.
        EXPECT_EQ(buffer.at(2, 3), pixel) << std::hex << windows;
        EXPECT_EQ(buffer.at(72, 98), pixel) << std::hex << windows;
    }
}

TEST(Cards32Draw, UnknownCardsDesignsAndModesDrawNothing)
{
    const std::tuple<int, int> calls[] = {
        {-1, CDT_FACES}, {52, CDT_FACES}, {52, CDT_HILITE}, {-1, CDT_HILITE},
        {52, CDT_BACKS}, {69, CDT_BACKS}, {0, CDT_BACKS},  {0, 3},
        {0, 5},          {0, -1},
    };
    for (auto [card, mode] : calls) {
        PixelBuffer buffer(100, 100, kBackground);
        EXPECT_EQ(cdtDraw(buffer.target(), 0, 0, card, mode, 0), 0) << card << " mode " << mode;
        EXPECT_EQ(changedArea(buffer, kBackground).width(), 0) << card << " mode " << mode;
    }
}

TEST(Cards32Draw, RefusesUnusableTargets)
{
    EXPECT_EQ(cdtDraw(nullptr, 0, 0, 0, CDT_FACES, 0), 0);
    CdtTarget noPixels{nullptr, 100, 100, 100, 1};
    EXPECT_EQ(cdtDraw(&noPixels, 0, 0, 0, CDT_FACES, 0), 0);
    EXPECT_EQ(cdtDraw(&noPixels, 0, 0, 0, CDT_REMOVE, 0), 0);

    std::uint32_t pixels[4] = {};
    CdtTarget zeroScale{pixels, 2, 2, 2, 0};
    EXPECT_EQ(cdtDraw(&zeroScale, 0, 0, 0, CDT_FACES, 0), 0);
    CdtTarget shortStride{pixels, 2, 2, 1, 1};
    EXPECT_EQ(cdtDraw(&shortStride, 0, 0, 0, CDT_FACES, 0), 0);
}

// A card hanging over one edge, or lying wholly outside, writes only the
// pixels it covers. The buffer is exactly as large as the target (plus an
// unused margin on each row), so AddressSanitizer catches any stray write.
class Cards32Clipping : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(Cards32Clipping, WritesOnlyTheCoveredPartOfTheTarget)
{
    const auto [x, y, mode] = GetParam();
    constexpr int kWidth = 100;
    constexpr int kHeight = 120;
    PixelBuffer buffer(kWidth, kHeight, kBackground, 1, 3);
    const int card = mode == CDT_BACKS ? 54 : kKingOfHearts;
    EXPECT_NE(cdtDraw(buffer.target(), x, y, card, mode, 0x0000FF), 0);

    const ChangedArea area = changedArea(buffer, kBackground);
    EXPECT_FALSE(area.marginTouched);
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = std::min(x + 71, kWidth);
    const int bottom = std::min(y + 96, kHeight);
    if (left >= right || top >= bottom) {
        EXPECT_EQ(area.width(), 0);
        return;
    }
    EXPECT_EQ(area.left, left);
    EXPECT_EQ(area.top, top);
    EXPECT_EQ(area.right, right);
    EXPECT_EQ(area.bottom, bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Cards32Clipping,
    ::testing::Combine(::testing::Values(-40, 10, 60, -71, 100),
                       ::testing::Values(-50, 10, 70, -96, 120),
                       ::testing::Values(CDT_FACES, CDT_BACKS, CDT_REMOVE)));

TEST(Cards32Clipping, ExtremePositionsDoNotWrapAround)
{
    // Scaled to device pixels these would overflow 32 bits and could wrap
    // back onto the target.
    constexpr std::int32_t kFar = 0x7FFFFFF0;
    PixelBuffer buffer(64, 64, kBackground, 4);
    for (auto [x, y] : {std::pair{kFar, 0}, {-kFar, 0}, {0, kFar}, {0, -kFar}}) {
        cdtDraw(buffer.target(), x, y, kKingOfHearts, CDT_FACES, 0);
        cdtDraw(buffer.target(), x, y, 0, CDT_REMOVE, 0xFFFFFF);
    }
    EXPECT_EQ(changedArea(buffer, kBackground).width(), 0);
}

TEST(Cards32Scale, DoubleScaleCoversTwiceTheDevicePixels)
{
    PixelBuffer buffer(400, 400, kBackground, 2);
    ASSERT_NE(cdtDraw(buffer.target(), 10, 20, 0, CDT_REMOVE, 0xFFFFFF), 0);
    ChangedArea area = changedArea(buffer, kBackground);
    EXPECT_EQ(area.left, 20);
    EXPECT_EQ(area.top, 40);
    EXPECT_EQ(area.width(), 142);
    EXPECT_EQ(area.height(), 192);

    PixelBuffer faces(400, 400, kBackground, 2);
    ASSERT_NE(cdtDraw(faces.target(), 10, 20, kKingOfHearts, CDT_FACES, 0), 0);
    area = changedArea(faces, kBackground);
    EXPECT_EQ(area.left, 20);
    EXPECT_EQ(area.top, 40);
    EXPECT_EQ(area.width(), 142);
    EXPECT_EQ(area.height(), 192);
}

TEST(Cards32Scale, DoubleScaleIsRenderedRatherThanEnlarged)
{
    // An enlarged 1x image would be made of identical 2x2 blocks; a card
    // rendered at 2x has edges that fall inside those blocks.
    PixelBuffer buffer(142, 192, kBackground, 2);
    ASSERT_NE(cdtDraw(buffer.target(), 0, 0, kKingOfHearts, CDT_FACES, 0), 0);
    int splitBlocks = 0;
    for (int y = 0; y < 192; y += 2) {
        for (int x = 0; x < 142; x += 2) {
            const std::uint32_t p = buffer.at(x, y);
            if (buffer.at(x + 1, y) != p || buffer.at(x, y + 1) != p || buffer.at(x + 1, y + 1) != p) {
                ++splitBlocks;
            }
        }
    }
    EXPECT_GT(splitBlocks, 200);
}

TEST(Cards32DrawExt, StretchesToTheRequestedSize)
{
    PixelBuffer buffer(300, 300, kBackground);
    ASSERT_NE(cdtDrawExt(buffer.target(), 5, 6, 142, 48, 54, CDT_BACKS, 0), 0);
    const ChangedArea area = changedArea(buffer, kBackground);
    EXPECT_EQ(area.left, 5);
    EXPECT_EQ(area.top, 6);
    EXPECT_EQ(area.right, 5 + 142);
    EXPECT_EQ(area.bottom, 6 + 48);

    EXPECT_EQ(cdtDrawExt(buffer.target(), 0, 0, 0, 48, 54, CDT_BACKS, 0), 0);
    EXPECT_EQ(cdtDrawExt(buffer.target(), 0, 0, 71, -1, 54, CDT_BACKS, 0), 0);
}

TEST(Cards32Animate, DrawsTheBackForAnyFrame)
{
    PixelBuffer expected(71, 96, kBackground);
    ASSERT_NE(cdtDraw(expected.target(), 0, 0, 54, CDT_BACKS, 0), 0);
    for (int frame : {0, 1, 7}) {
        PixelBuffer animated(71, 96, kBackground);
        EXPECT_NE(cdtAnimate(animated.target(), 54, 0, 0, frame), 0);
        EXPECT_EQ(animated.raw(), expected.raw()) << "frame " << frame;
    }
    PixelBuffer none(71, 96, kBackground);
    EXPECT_EQ(cdtAnimate(none.target(), 3, 0, 0, 0), 0);
}

TEST(Cards32Term, DrawingAfterTermRendersAgainIdentically)
{
    PixelBuffer before(71, 96, kBackground);
    ASSERT_NE(cdtDraw(before.target(), 0, 0, kAceOfSpades, CDT_FACES, 0), 0);
    cdtTerm();
    PixelBuffer after(71, 96, kBackground);
    ASSERT_NE(cdtDraw(after.target(), 0, 0, kAceOfSpades, CDT_FACES, 0), 0);
    EXPECT_EQ(before.raw(), after.raw());
    cdtTerm();
}

} // namespace
