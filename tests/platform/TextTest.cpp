#include <gtest/gtest.h>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

using test::FakeSurface;

constexpr ColorRef kBackground = Rgb(0, 0x40, 0);
constexpr ColorRef kText = Rgb(0x80, 0xFF, 0x80);
constexpr ColorRef kScreen = Rgb(0x10, 0x20, 0x30);

class Text : public ::testing::Test {
protected:
    Text() { dc.FillRect(dc.ClipBox(), kScreen); screen.presented.clear(); }

    FakeSurface screen{200, 40};
    ClientDC dc{screen};
};

TEST_F(Text, ExtentGrowsWithTheText)
{
    const auto one = dc.GetTextExtent("Score: 1");
    const auto two = dc.GetTextExtent("Score: 1000     ");
    ASSERT_TRUE(one && two);
    EXPECT_GT(one->cx, 0);
    EXPECT_GT(two->cx, one->cx);
    EXPECT_EQ(one->cy, two->cy);
    EXPECT_GE(one->cy, 12);
    // Blanks have width: they are drawn to wipe out longer old texts.
    EXPECT_GT(dc.GetTextExtent("     ")->cx, 0);
}

TEST_F(Text, FillsItsCellWithTheBackgroundAndTouchesNothingElse)
{
    dc.SetTextColor(kText);
    dc.SetBkColor(kBackground);
    ASSERT_TRUE(dc.TextOut(10, 5, "Score: 42"));
    const Size extent = *dc.GetTextExtent("Score: 42");

    int background = 0;
    int foreground = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            const ColorRef pixel = *screen.image.GetPixel(x, y);
            const bool inCell = x >= 10 && x < 10 + extent.cx && y >= 5 && y < 5 + extent.cy;
            if (!inCell) {
                ASSERT_EQ(pixel, kScreen) << x << "," << y;
            }
            background += pixel == kBackground;
            foreground += pixel == kText;
        }
    }
    EXPECT_GT(background, extent.cx * extent.cy / 2);
    EXPECT_GT(foreground, 10);
    ASSERT_EQ(screen.presented.size(), 1u);
    EXPECT_EQ(screen.presented[0], Rect::FromSize(10, 5, extent.cx, extent.cy));
}

TEST_F(Text, BlanksWipeOutWhatWasThere)
{
    dc.SetTextColor(kText);
    dc.SetBkColor(kBackground);
    dc.TextOut(0, 0, "1000 pts");
    dc.TextOut(0, 0, "                    ");
    const Size extent = *dc.GetTextExtent("1000 pts");
    for (int y = 0; y < extent.cy; ++y) {
        for (int x = 0; x < extent.cx; ++x) {
            ASSERT_EQ(*screen.image.GetPixel(x, y), kBackground) << x << "," << y;
        }
    }
}

TEST_F(Text, IsClippedAtTheEdges)
{
    const std::string_view blanks = "                    ";
    dc.SetBkColor(kBackground);
    EXPECT_TRUE(dc.TextOut(-30, -5, blanks));
    EXPECT_TRUE(dc.TextOut(150, 30, blanks));
    EXPECT_TRUE(dc.TextOut(5000, 5000, "far away"));
    EXPECT_EQ(*screen.image.GetPixel(0, 0), kBackground);
    EXPECT_EQ(*screen.image.GetPixel(199, 39), kBackground);
}

TEST_F(Text, IsCrispAtScaleTwo)
{
    FakeSurface sharp(200, 40, 2);
    ClientDC sharpDc(sharp);
    sharpDc.SetBkColor(kBackground);
    sharpDc.SetTextColor(kText);
    sharpDc.TextOut(10, 5, "Score: 42");
    const Size extent = *sharpDc.GetTextExtent("Score: 42");
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx) - 1, 2 * (5 + extent.cy) - 1), kBackground);
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx), 2 * 5), Rgb(0, 0, 0));
    EXPECT_TRUE(sharp.image.SavePng(test::TestOutputPath("text-at-scale-2.png")));
}

TEST(ImageFiles, SaveAndLoadKeepEveryPixel)
{
    FakeSurface screen(5, 4);
    ClientDC dc(screen);
    dc.FillRect(Rect{1, 1, 3, 2}, kText);
    const auto file = test::TestOutputPath("round-trip.png");
    ASSERT_TRUE(screen.image.SavePng(file));
    const std::optional<Bitmap> loaded = Bitmap::Load(file);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->HasSamePixels(screen.image));

    const std::optional<Bitmap> doubled = Bitmap::Load(file, 2);
    ASSERT_TRUE(doubled);
    EXPECT_EQ(doubled->Width(), 5);
    EXPECT_EQ(doubled->GetPixel(3, 3), kText);
    EXPECT_FALSE(Bitmap::Load(test::TestOutputPath("no-such-picture.png")));
}

} // namespace
} // namespace tw
