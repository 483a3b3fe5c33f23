#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

constexpr ColorRef kGreen = Rgb(0, 0x40, 0);
constexpr ColorRef kRed = Rgb(0xFF, 0, 0);
constexpr ColorRef kGrey = Rgb(0xC0, 0xC0, 0xC0);

// Every device pixel, rows split by '/': '.' black, G green, R red, - grey, ? other.
std::string Picture(const Bitmap& bitmap)
{
    std::string picture;
    const auto row = static_cast<std::size_t>(bitmap.Width() * bitmap.Scale());
    for (std::size_t i = 0; i < bitmap.Data().size(); ++i) {
        const ColorRef c = FromDevicePixel(bitmap.Data()[i]);
        picture += std::string(i != 0 && i % row == 0, '/');
        picture += c == Rgb(0, 0, 0) ? '.' : c == kGreen ? 'G' : c == kRed ? 'R' : c == kGrey ? '-' : '?';
    }
    return picture;
}

// A memory context with its own bitmap, filled with one colour; a low-resolution
// one is at scale 1 whatever the window's scale, as resource bitmaps are.
struct OffScreen {
    OffScreen(const DeviceContext& compatible, int width, int height, ColorRef fill, bool low = false)
        : bitmap(low ? Bitmap(width, height) : CreateCompatibleBitmap(compatible, width, height)), dc(compatible)
    { dc.SelectBitmap(&bitmap); dc.FillRect(Rect::FromSize(0, 0, width, height), fill); }
    Bitmap bitmap;
    MemoryDC dc;
};

// Colours keep the Windows byte layout; device pixels are opaque RGB.
// Every fill reaches the screen at once, and only the part that changed;
// direct pixel work reaches it only once the lock is let go. A context
// without a bitmap draws nothing.
TEST(ClientDC, FillsExactlyTheRectangleClippedAtEveryEdgeAndPresentsWhatChanged)
{
    EXPECT_EQ(ToDevicePixel(Rgb(0x12, 0x34, 0x56)), 0xFF123456u);
    test::FakeSurface screen(10, 8);
    ClientDC dc(screen);
    dc.FillRect(Rect{2, 3, 5, 7}, kGreen);
    dc.FillRect(Rect{-5, -5, 2, 2}, kRed);
    dc.FillRect(Rect{8, 6, 40, 40}, kRed);
    dc.FillRect(Rect{-100, 3, -50, 4}, kGrey);
    EXPECT_EQ(Picture(screen.image),
              "RR......../RR......../........../..GGG...../..GGG...../..GGG...../..GGG...RR/........RR");
    EXPECT_EQ(screen.presented, (std::vector{Rect{2, 3, 5, 7}, Rect{0, 0, 2, 2}, Rect{8, 6, 10, 8}}));

    screen.presented.clear();
    {
        const auto lock = dc.LockPixels(Rect{2, 2, 12, 12});
        lock.View().pixels[3 * lock.View().stride + 3] = ToDevicePixel(kRed);
        EXPECT_TRUE(screen.presented.empty());
    }
    EXPECT_EQ(screen.presented, std::vector{(Rect{2, 2, 10, 8})});
    EXPECT_EQ(Picture(screen.image),
              "RR......../RR......../........../..GRG...../..GGG...../..GGG...../..GGG...RR/........RR");
    MemoryDC empty(dc);
    EXPECT_FALSE(dc.BitBlt(0, 0, 5, 5, empty, 0, 0, RasterOp::SrcCopy));
    EXPECT_FALSE(empty.LockPixels(Rect{0, 0, 5, 5}).View());
}

// Blits read from a source offset; over each edge of the client area and far
// away, and from a source rectangle reaching past the source, only what
// exists on both bitmaps is copied. How the masking raster operations
// combine, the empty slot's ring and outline show.
TEST(Blits, AreClippedToBothBitmaps)
{
    test::FakeSurface screen(6, 6);
    ClientDC dc(screen);
    OffScreen card(dc, 4, 4, kRed);
    card.dc.FillRect(Rect{1, 1, 2, 2}, kGreen);
    const auto blits = [&](const std::vector<std::array<int, 4>>& blits) {
        dc.FillRect(Rect{0, 0, 6, 6}, kGrey);
        for (const auto& [x, y, sx, sy] : blits) {
            EXPECT_TRUE(dc.BitBlt(x, y, 6, 6, card.dc, sx, sy, RasterOp::SrcCopy));
        }
        return Picture(screen.image);
    };
    EXPECT_EQ(blits({{2, 3, 1, 1}}), "------/------/------/--GRR-/--RRR-/--RRR-");
    EXPECT_EQ(blits({{-2, -2, 0, 0}, {4, -3, 0, 0}, {-3, 4, 0, 0}, {5, 5, 0, 0}, {90, -90, 0, 0}}),
              "RR--RR/RR----/------/------/R-----/R----R");
    EXPECT_EQ(blits({{0, 0, 2, 3}, {0, 0, -5, -5}}), "RR----/------/------/------/------/-----R");
}

// Resource bitmaps are made once at scale 1 and drawn on any window.
TEST(ScaleTwo, FillsAndBlitsCoverEveryDevicePixelAndEnlargeLowResolutionBitmaps)
{
    test::FakeSurface screen(4, 3, 2);
    ClientDC dc(screen);
    dc.FillRect(Rect{0, 0, 1, 2}, kGreen);
    OffScreen compatible(dc, 1, 1, kRed);
    dc.BitBlt(1, 2, 1, 1, compatible.dc, 0, 0, RasterOp::SrcCopy);
    OffScreen low(dc, 1, 1, kGrey, true);
    dc.BitBlt(2, 0, 1, 1, low.dc, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(Picture(screen.image), "GG..--../GG..--../GG....../GG....../..RR..../..RR....");
}

// A bitmap moved from is no longer counted; that the last one going ends the
// count, the falling card's save-under shows. A file loaded at scale 2
// doubles every pixel.
TEST(Bitmaps, StartBlackAreCountedWhileTheyExistAndLoadBackFromImageFiles)
{
    const int before = Bitmap::LiveCount();
    Bitmap bitmap(2, 3, 2), other(1, 1);
    EXPECT_FALSE(bitmap.GetPixel(4, 0) || bitmap.GetPixel(0, -1));
    other = Bitmap(std::move(bitmap));
    EXPECT_EQ(Bitmap::LiveCount(), before + 1);

    test::FakeSurface screen(4, 3);
    ClientDC(screen).FillRect(Rect{1, 1, 3, 2}, kGreen);
    const auto file = test::TestOutputPath("round-trip.png");
    ASSERT_TRUE(screen.image.SavePng(file));
    const std::optional<Bitmap> loaded = Bitmap::Load(file), doubled = Bitmap::Load(file, 2);
    ASSERT_TRUE(loaded && doubled);
    EXPECT_EQ(Picture(*loaded), "..../.GG./....");
    EXPECT_EQ(Picture(*doubled), "......../......../..GGGG../..GGGG../......../........");
    EXPECT_FALSE(Bitmap::Load(test::TestOutputPath("no-such-picture.png")));
}

// The cell is the text's extent; blanks are drawn to wipe out longer old
// texts, also where they are clipped at an edge (that blanks have width and
// the cell its background, the status line's tests show). At scale 2 the
// cell covers every device pixel, and no more.
TEST(Text, FillsItsCellWithTheBackgroundUpToTheEdgesAndTouchesNothingElse)
{
    constexpr ColorRef kText = Rgb(0x80, 0xFF, 0x80), kScreen = Rgb(0x10, 0x20, 0x30);
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        test::FakeSurface screen(200, 40, scale);
        ClientDC dc(screen);
        dc.FillRect(dc.ClipBox(), kScreen);
        dc.SetTextColor(kText);
        dc.SetBkColor(kGreen);
        screen.presented.clear();
        const auto count = [&](ColorRef c) { return std::ranges::count(screen.image.Data(), ToDevicePixel(c)); };
        const Size extent = *dc.GetTextExtent("Score: 42");
        ASSERT_TRUE(dc.TextOut(10, 5, "Score: 42"));
        EXPECT_GT(count(kText), 10);
        EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(10, 5, extent.cx, extent.cy)});
        EXPECT_EQ(*screen.image.GetPixel(scale * (10 + extent.cx) - 1, scale * (5 + extent.cy) - 1), kGreen);
        dc.FillRect(Rect::FromSize(10, 5, extent.cx, extent.cy), kScreen);
        EXPECT_EQ(count(kScreen), 200 * 40 * scale * scale) << "drawn outside its cell";

        dc.TextOut(0, -5, "1000 pts");
        EXPECT_TRUE(dc.TextOut(-30, -5, std::string(30, ' ')));
        EXPECT_TRUE(dc.TextOut(5000, 5000, "far away"));
        EXPECT_EQ(count(kGreen) + count(kScreen), 200 * 40 * scale * scale) << "text left under the blanks";
    }
}

} // namespace
} // namespace tw
