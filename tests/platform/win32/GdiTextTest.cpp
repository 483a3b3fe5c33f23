#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/Bitmap.h"
#include "platform/TextPainter.h"

namespace tw {
namespace {

// The status line's text in the drawing context's default font: its cell
// filled with the background, the text in the foreground, nothing drawn
// outside the cell, and the same cell and text, each twice as large, at
// twice the scale.
TEST(GdiText, MeasuresItsCellAndDrawsInItOnlyAtEveryScale)
{
    const std::optional<Size> extent = text_painter::Measure("Score: 1234");
    ASSERT_TRUE(extent && extent->cx > 40 && extent->cy >= 12);
    EXPECT_GT(text_painter::Measure("Score: 12345")->cx, extent->cx);
    constexpr ColorRef kBlue = Rgb(0, 0, 255), kGreen = Rgb(0, 128, 0), kWhite = Rgb(255, 255, 255);
    std::map<int, int> ink; // pixels of the text itself at each scale
    for (const int scale : {1, 2}) {
        Bitmap target(200, 40, scale);
        const PixelView pixels = target.Pixels();
        std::fill_n(pixels.pixels, pixels.stride * pixels.height, ToDevicePixel(kBlue));
        const Rect cell = Rect::FromSize(10, 5, extent->cx, extent->cy);
        EXPECT_EQ(text_painter::Draw(pixels, {10, 5}, "Score: 1234", kWhite, kGreen), cell) << scale;
        std::map<std::pair<bool, ColorRef>, int> seen; // how many pixels in or out of the cell had each colour
        for (int at = 0; at < pixels.width * pixels.height; ++at) {
            const int x = at % pixels.width, y = at / pixels.width, atX = x / scale, atY = y / scale;
            const bool inCell = atX >= cell.left && atX < cell.right && atY >= cell.top && atY < cell.bottom;
            ++seen[{inCell, *target.GetPixel(x, y)}];
        }
        EXPECT_EQ((seen[{false, kBlue}]), pixels.width * pixels.height - extent->cx * extent->cy * scale * scale);
        EXPECT_GT((seen[{true, kGreen}]), (seen[{true, kWhite}])) << scale;
        EXPECT_GT((seen[{true, kWhite}]), 20 * scale * scale) << "the text in its colour at " << scale;
        ink[scale] = extent->cx * extent->cy * scale * scale - seen[{true, kGreen}];
    }
    EXPECT_GT(ink[2], 3 * ink[1]) << "the text, not only its spacing, is larger";
}

} // namespace
} // namespace tw
