#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

constexpr ColorRef kBackground = Rgb(0, 0x40, 0);
constexpr ColorRef kText = Rgb(0x80, 0xFF, 0x80);
constexpr ColorRef kScreen = Rgb(0x10, 0x20, 0x30);

std::ptrdiff_t Count(const test::FakeSurface& screen, ColorRef c) { return std::ranges::count(screen.image.Data(), ToDevicePixel(c)); }

struct Text : ::testing::Test {
    Text() { dc.FillRect(dc.ClipBox(), kScreen); dc.SetTextColor(kText); dc.SetBkColor(kBackground); screen.presented.clear(); }

    test::FakeSurface screen{200, 40};
    ClientDC dc{screen};
};

// The cell is the text's extent, which grows with the text and gives blanks
// width: they are drawn to wipe out longer old texts.
TEST_F(Text, FillsItsCellWithTheBackgroundAndTouchesNothingElse)
{
    const Size extent = *dc.GetTextExtent("Score: 42");
    EXPECT_GT(dc.GetTextExtent("Score: 1000     ")->cx, extent.cx);
    ASSERT_TRUE(dc.TextOut(10, 5, "Score: 42"));
    EXPECT_GT(Count(screen, kBackground), extent.cx * extent.cy / 2);
    EXPECT_GT(Count(screen, kText), 10);
    EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(10, 5, extent.cx, extent.cy)});
    dc.FillRect(Rect::FromSize(10, 5, extent.cx, extent.cy), kScreen);
    EXPECT_EQ(Count(screen, kScreen), 200 * 40) << "drawn outside its cell";
}

// Blanks wipe out what was there, also where they are clipped at an edge.
TEST_F(Text, BlanksWipeOutWhatWasThereUpToTheEdges)
{
    dc.TextOut(0, -5, "1000 pts");
    EXPECT_TRUE(dc.TextOut(-30, -5, std::string(30, ' ')));
    EXPECT_TRUE(dc.TextOut(5000, 5000, "far away"));
    EXPECT_EQ(Count(screen, kBackground) + Count(screen, kScreen), 200 * 40);
}

TEST(TextAtScaleTwo, FillsEveryDevicePixelOfItsCell)
{
    test::FakeSurface sharp(200, 40, 2);
    ClientDC dc(sharp);
    dc.SetBkColor(kBackground);
    dc.TextOut(10, 5, "Score: 42");
    const Size extent = *dc.GetTextExtent("Score: 42");
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx) - 1, 2 * (5 + extent.cy) - 1), kBackground);
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx), 2 * 5), Rgb(0, 0, 0));
}

// A file loaded at scale 2 doubles every pixel.
TEST_F(Text, ScreensSaveToImageFilesAndLoadBackPixelForPixel)
{
    dc.FillRect(Rect{1, 1, 3, 2}, kText);
    const auto file = test::TestOutputPath("round-trip.png");
    ASSERT_TRUE(screen.image.SavePng(file));
    const std::optional<Bitmap> loaded = Bitmap::Load(file), doubled = Bitmap::Load(file, 2);
    ASSERT_TRUE(loaded && doubled);
    EXPECT_TRUE(loaded->HasSamePixels(screen.image));
    EXPECT_EQ(doubled->GetPixel(3, 3), kText);
    EXPECT_FALSE(Bitmap::Load(test::TestOutputPath("no-such-picture.png")));
}

} // namespace
} // namespace tw
