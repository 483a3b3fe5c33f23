#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"

namespace tw {
namespace {

using test::FakeSurface;

constexpr ColorRef kBlack = Rgb(0, 0, 0);
constexpr ColorRef kGreen = Rgb(0, 0x40, 0);
constexpr ColorRef kRed = Rgb(0xFF, 0, 0);
constexpr ColorRef kGrey = Rgb(0xC0, 0xC0, 0xC0);
constexpr ColorRef kDark = Rgb(0x40, 0x40, 0x40);

ColorRef At(const Bitmap& bitmap, int x, int y) { return bitmap.GetPixel(x, y).value(); }

// Every device pixel, rows split by '/': '.' black, G green, R red, - grey, ? other.
std::string Picture(const Bitmap& bitmap)
{
    std::string picture;
    for (int y = 0; y < bitmap.Height() * bitmap.Scale(); ++y) {
        picture += y == 0 ? "" : "/";
        for (int x = 0; x < bitmap.Width() * bitmap.Scale(); ++x) {
            const ColorRef c = At(bitmap, x, y);
            picture += c == kBlack ? '.' : c == kGreen ? 'G' : c == kRed ? 'R' : c == kGrey ? '-' : '?';
        }
    }
    return picture;
}

// A memory context with its own bitmap, filled with one colour.
struct OffScreen {
    OffScreen(const DeviceContext& compatible, int width, int height, ColorRef fill)
        : bitmap(CreateCompatibleBitmap(compatible, width, height)), dc(compatible)
    {
        dc.SelectBitmap(&bitmap);
        dc.FillRect(Rect::FromSize(0, 0, width, height), fill);
    }
    Bitmap bitmap;
    MemoryDC dc;
};

TEST(Colours, KeepTheWindowsLayoutAndBecomeRgbDevicePixels)
{
    EXPECT_EQ(Rgb(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(ToDevicePixel(Rgb(0x12, 0x34, 0x56)), 0xFF123456u);
    EXPECT_EQ(FromDevicePixel(0xFF123456u), Rgb(0x12, 0x34, 0x56));
}

// Every change reaches the screen at once, and only the part that changed.
TEST(FillRect, FillsExactlyTheRectangleClippedAtEveryEdgeAndPresentsIt)
{
    FakeSurface screen(10, 8);
    ClientDC dc(screen);
    dc.FillRect(Rect{2, 3, 5, 7}, kGreen);
    dc.FillRect(Rect{-5, -5, 2, 2}, kRed);
    dc.FillRect(Rect{8, 6, 40, 40}, kRed);
    dc.FillRect(Rect{-100, 3, -50, 4}, kGrey);
    dc.FillRect(Rect{20, 20, 30, 30}, kGrey);
    EXPECT_EQ(Picture(screen.image),
              "RR......../RR......../........../..GGG...../..GGG...../..GGG...../..GGG...RR/........RR");
    EXPECT_EQ(screen.presented, (std::vector{Rect{2, 3, 5, 7}, Rect{0, 0, 2, 2}, Rect{8, 6, 10, 8}}));
}

TEST(RasterOps, CombineSourceAndDestinationBitForBitAndStayOpaque)
{
    FakeSurface screen(1, 1);
    ClientDC dc(screen);
    for (const auto& [op, destination, source, expected] : std::vector<std::tuple<RasterOp, ColorRef, ColorRef, ColorRef>>{
             {RasterOp::SrcCopy, kGrey, kRed, kRed},
             {RasterOp::SrcAnd, Rgb(0xF0, 0x0F, 0xFF), Rgb(0x3C, 0xFF, 0x00), Rgb(0x30, 0x0F, 0x00)},
             {RasterOp::MergePaint, kDark, Rgb(0xFF, 0xFF, 0xFF), kDark}, // a white mask leaves the table alone
             {RasterOp::MergePaint, kDark, kGrey, Rgb(0x7F, 0x7F, 0x7F)}}) {
        dc.FillRect(Rect{0, 0, 1, 1}, destination);
        OffScreen from(dc, 1, 1, source);
        ASSERT_TRUE(dc.BitBlt(0, 0, 1, 1, from.dc, 0, 0, op));
        EXPECT_EQ(screen.image.Data()[0], ToDevicePixel(expected)) << static_cast<std::uint32_t>(op);
    }
}

// From a source offset; over each edge of the client area and far away; and
// from a source rectangle reaching past the source, of which only what exists
// is copied.
TEST(RasterOps, BlitsReadFromTheSourceOffsetAndAreClippedToBothBitmaps)
{
    FakeSurface screen(6, 6);
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
    FakeSurface screen(4, 3, 2);
    ClientDC dc(screen);
    dc.FillRect(Rect{0, 0, 1, 2}, kGreen);
    OffScreen compatible(dc, 1, 1, kRed);
    EXPECT_EQ(compatible.bitmap.Scale(), 2);
    dc.BitBlt(1, 2, 1, 1, compatible.dc, 0, 0, RasterOp::SrcCopy);
    Bitmap low(2, 1);
    MemoryDC memory(dc);
    memory.SelectBitmap(&low);
    EXPECT_EQ(memory.Scale(), 1);
    memory.FillRect(Rect{0, 0, 1, 1}, kRed);
    memory.FillRect(Rect{1, 0, 2, 1}, kGrey);
    dc.BitBlt(2, 0, 2, 1, memory, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(Picture(screen.image), "GG..RR--/GG..RR--/GG....../GG....../..RR..../..RR....");
}

// A context without a bitmap draws nothing; direct pixel work reaches the
// screen only once the lock is let go.
TEST(ClientDC, PresentsDirectPixelWorkOnlyOnceItIsDone)
{
    FakeSurface screen(10, 10);
    ClientDC dc(screen);
    MemoryDC empty(dc);
    EXPECT_TRUE(empty.ClipBox().IsEmpty());
    empty.FillRect(Rect{0, 0, 5, 5}, kRed);
    EXPECT_FALSE(empty.BitBlt(0, 0, 5, 5, dc, 0, 0, RasterOp::SrcCopy));
    EXPECT_FALSE(dc.BitBlt(0, 0, 5, 5, empty, 0, 0, RasterOp::SrcCopy));
    EXPECT_FALSE(empty.LockPixels(Rect{0, 0, 5, 5}).View());
    EXPECT_TRUE(screen.presented.empty());
    ColorRef shown = 0;
    screen.onPresent = [&](const Rect&) { shown = At(screen.image, 3, 3); };
    {
        const auto lock = dc.LockPixels(Rect{2, 2, 12, 12});
        lock.View().pixels[3 * lock.View().stride + 3] = ToDevicePixel(kRed);
        EXPECT_TRUE(screen.presented.empty());
    }
    EXPECT_EQ(screen.presented, std::vector{(Rect{2, 2, 10, 10})});
    EXPECT_EQ(shown, kRed);
}

TEST(Bitmaps, StartBlackReportNothingOutsideAndAreCountedWhileTheyExist)
{
    const int before = Bitmap::LiveCount();
    {
        Bitmap bitmap(2, 3, 2);
        EXPECT_EQ(bitmap.Data().size(), 4u * 6u);
        EXPECT_EQ(bitmap.GetPixel(3, 5), kBlack);
        EXPECT_FALSE(bitmap.GetPixel(4, 0));
        EXPECT_FALSE(bitmap.GetPixel(0, -1));
        Bitmap moved(std::move(bitmap));
        Bitmap other(1, 1);
        other = std::move(moved);
        EXPECT_EQ(Bitmap::LiveCount(), before + 1);
        EXPECT_EQ(other.Width(), 2);
    }
    EXPECT_EQ(Bitmap::LiveCount(), before);
}

} // namespace
} // namespace tw
