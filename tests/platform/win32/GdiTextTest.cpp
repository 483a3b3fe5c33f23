#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/Bitmap.h"
#include "platform/TextPainter.h"

namespace tw {
namespace {

// The status line's text in the drawing context's default font: measured by
// what it says, and at twice the scale drawn in glyphs twice as large, not
// only spaced apart as the system's bitmap font would be. Where the cell lies
// and what is drawn in and around it, the drawing tests check.
TEST(GdiText, MeasuresTheTextAndDrawsItLargerAtTwiceTheScale)
{
    const std::optional<Size> extent = text_painter::Measure("Score: 1234");
    ASSERT_TRUE(extent && extent->cx > 40 && extent->cy >= 12);
    EXPECT_GT(text_painter::Measure("Score: 12345")->cx, extent->cx);
    constexpr ColorRef kGreen = Rgb(0, 128, 0), kWhite = Rgb(255, 255, 255);
    std::map<int, long> ink; // pixels of the text itself at each scale, on a bitmap that starts black
    for (const int scale : {1, 2}) {
        Bitmap target(200, 40, scale);
        text_painter::Draw(target.Pixels(), {10, 5}, "Score: 1234", kWhite, kGreen);
        ink[scale] = std::ranges::count_if(target.Data(), [](std::uint32_t pixel) {
            return pixel != ToDevicePixel(kGreen) && pixel != ToDevicePixel(Rgb(0, 0, 0));
        });
    }
    EXPECT_GT(ink[1], 20);
    EXPECT_GT(ink[2], 3 * ink[1]);
}

} // namespace
} // namespace tw
