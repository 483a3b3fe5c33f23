#include <gtest/gtest.h>

#include <vector>

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

// The cell is the text's extent, which grows with the text and gives blanks
// width: they are drawn to wipe out longer old texts.
TEST_F(Text, FillsItsCellWithTheBackgroundAndTouchesNothingElse)
{
    const auto one = dc.GetTextExtent("Score: 1");
    const Size extent = *dc.GetTextExtent("Score: 42");
    EXPECT_GT(dc.GetTextExtent("Score: 1000     ")->cx, one->cx);
    EXPECT_EQ(one->cy, extent.cy);
    EXPECT_GE(one->cy, 12);
    EXPECT_GT(dc.GetTextExtent("     ")->cx, 0);
    dc.SetTextColor(kText);
    dc.SetBkColor(kBackground);
    ASSERT_TRUE(dc.TextOut(10, 5, "Score: 42"));
    int background = 0;
    int foreground = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            const ColorRef pixel = *screen.image.GetPixel(x, y);
            const bool inCell = x >= 10 && x < 10 + extent.cx && y >= 5 && y < 5 + extent.cy;
            ASSERT_TRUE(inCell || pixel == kScreen) << x << "," << y;
            background += pixel == kBackground;
            foreground += pixel == kText;
        }
    }
    EXPECT_GT(background, extent.cx * extent.cy / 2);
    EXPECT_GT(foreground, 10);
    EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(10, 5, extent.cx, extent.cy)});
}

// Blanks wipe out what was there, also where they are clipped at the edges.
TEST_F(Text, BlanksWipeOutWhatWasThereUpToTheEdges)
{
    dc.SetTextColor(kText);
    dc.SetBkColor(kBackground);
    dc.TextOut(0, 0, "1000 pts");
    EXPECT_TRUE(dc.TextOut(-30, -5, "                    "));
    EXPECT_TRUE(dc.TextOut(150, 30, "                    "));
    EXPECT_TRUE(dc.TextOut(5000, 5000, "far away"));
    const Size extent = *dc.GetTextExtent("1000 pts");
    for (int y = 0; y < extent.cy - 5; ++y) {
        for (int x = 0; x < extent.cx - 30; ++x) {
            ASSERT_EQ(*screen.image.GetPixel(x, y), kBackground) << x << "," << y;
        }
    }
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
