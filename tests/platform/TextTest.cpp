#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"

namespace tw {
namespace {

constexpr ColorRef kBackground = Rgb(0, 0x40, 0);
constexpr ColorRef kText = Rgb(0x80, 0xFF, 0x80);
constexpr ColorRef kScreen = Rgb(0x10, 0x20, 0x30);

// The cell is the text's extent, which grows with the text and gives blanks
// width: they are drawn to wipe out longer old texts, also where they are
// clipped at an edge. At scale 2 the cell covers every device pixel, and no
// more.
TEST(Text, FillsItsCellWithTheBackgroundUpToTheEdgesAndTouchesNothingElse)
{
    test::FakeSurface screen(200, 40);
    ClientDC dc(screen);
    dc.FillRect(dc.ClipBox(), kScreen);
    dc.SetTextColor(kText);
    dc.SetBkColor(kBackground);
    screen.presented.clear();
    const auto count = [&](ColorRef c) { return std::ranges::count(screen.image.Data(), ToDevicePixel(c)); };
    const Size extent = *dc.GetTextExtent("Score: 42");
    EXPECT_GT(dc.GetTextExtent("Score: 1000     ")->cx, extent.cx);
    ASSERT_TRUE(dc.TextOut(10, 5, "Score: 42"));
    EXPECT_GT(count(kBackground), extent.cx * extent.cy / 2);
    EXPECT_GT(count(kText), 10);
    EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(10, 5, extent.cx, extent.cy)});
    dc.FillRect(Rect::FromSize(10, 5, extent.cx, extent.cy), kScreen);
    EXPECT_EQ(count(kScreen), 200 * 40) << "drawn outside its cell";

    dc.TextOut(0, -5, "1000 pts");
    EXPECT_TRUE(dc.TextOut(-30, -5, std::string(30, ' ')));
    EXPECT_TRUE(dc.TextOut(5000, 5000, "far away"));
    EXPECT_EQ(count(kBackground) + count(kScreen), 200 * 40) << "text left under the blanks";

    test::FakeSurface sharp(200, 40, 2);
    ClientDC sharpDc(sharp);
    sharpDc.SetBkColor(kBackground);
    sharpDc.TextOut(10, 5, "Score: 42");
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx) - 1, 2 * (5 + extent.cy) - 1), kBackground);
    EXPECT_EQ(*sharp.image.GetPixel(2 * (10 + extent.cx), 2 * 5), Rgb(0, 0, 0));
}

} // namespace
} // namespace tw
