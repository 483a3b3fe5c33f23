#include <gtest/gtest.h>

#include <cstring>

#include "platform/Bitmap.h"
#include "platform/DeviceContext.h"
#include "support/FakeSurface.h"

namespace tw {
namespace {

using test::FakeSurface;

constexpr ColorRef kGreen = Rgb(0, 0x40, 0);
constexpr ColorRef kRed = Rgb(0xFF, 0, 0);
constexpr ColorRef kGrey = Rgb(0xC0, 0xC0, 0xC0);
constexpr ColorRef kDark = Rgb(0x40, 0x40, 0x40);

ColorRef At(const Bitmap& bitmap, int x, int y) { return bitmap.GetPixel(x, y).value(); }

// Counts the device pixels of `bitmap` that hold `colour`.
int CountOf(const Bitmap& bitmap, ColorRef colour)
{
    int count = 0;
    for (int y = 0; y < bitmap.Height() * bitmap.Scale(); ++y) {
        for (int x = 0; x < bitmap.Width() * bitmap.Scale(); ++x) {
            count += At(bitmap, x, y) == colour;
        }
    }
    return count;
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

    FakeSurface screen(4, 4);
    ClientDC dc(screen);
    dc.FillRect(Rect::FromSize(0, 0, 4, 4), kRed);
    EXPECT_EQ(screen.image.Data()[0], 0xFFFF0000u);
    EXPECT_EQ(At(screen.image, 3, 3), kRed);
}

TEST(FillRect, FillsExactlyTheRectangle)
{
    FakeSurface screen(10, 8);
    ClientDC dc(screen);
    dc.FillRect(Rect{2, 3, 5, 7}, kGreen);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 7;
            EXPECT_EQ(At(screen.image, x, y), inside ? kGreen : Rgb(0, 0, 0)) << x << "," << y;
        }
    }
}

TEST(FillRect, IsClippedAtEveryEdge)
{
    FakeSurface screen(10, 8);
    ClientDC dc(screen);
    dc.FillRect(Rect{-5, -5, 2, 2}, kRed);
    dc.FillRect(Rect{8, 6, 40, 40}, kRed);
    dc.FillRect(Rect{-100, 3, -50, 4}, kGreen);
    dc.FillRect(Rect{20, 20, 30, 30}, kGreen);
    EXPECT_EQ(CountOf(screen.image, kRed), 4 + 4);
    EXPECT_EQ(CountOf(screen.image, kGreen), 0);
    EXPECT_EQ(At(screen.image, 9, 7), kRed);
    EXPECT_EQ(At(screen.image, 0, 0), kRed);
}

TEST(FillRect, CoversEveryDevicePixelAtScaleTwo)
{
    FakeSurface screen(4, 4, 2);
    ClientDC dc(screen);
    dc.FillRect(Rect{1, 1, 2, 3}, kGreen);
    EXPECT_EQ(CountOf(screen.image, kGreen), 2 * 4);
    EXPECT_EQ(At(screen.image, 2, 2), kGreen);
    EXPECT_EQ(At(screen.image, 3, 5), kGreen);
    EXPECT_EQ(At(screen.image, 4, 2), Rgb(0, 0, 0));
}

class RasterOps : public ::testing::Test {
protected:
    FakeSurface screen{6, 6};
    ClientDC dc{screen};
};

TEST_F(RasterOps, SrcCopyCopiesTheSourceRectangle)
{
    OffScreen source(dc, 3, 2, kRed);
    source.dc.FillRect(Rect{0, 0, 1, 1}, kGreen);
    dc.FillRect(Rect{0, 0, 6, 6}, kGrey);

    ASSERT_TRUE(dc.BitBlt(2, 3, 3, 2, source.dc, 0, 0, RasterOp::SrcCopy));
    EXPECT_EQ(At(screen.image, 2, 3), kGreen);
    EXPECT_EQ(At(screen.image, 4, 4), kRed);
    EXPECT_EQ(CountOf(screen.image, kRed), 5);
    EXPECT_EQ(CountOf(screen.image, kGrey), 36 - 6);
}

TEST_F(RasterOps, SrcCopyReadsFromTheSourceOffset)
{
    OffScreen source(dc, 4, 4, kRed);
    source.dc.FillRect(Rect{2, 2, 4, 4}, kGreen);
    dc.BitBlt(0, 0, 2, 2, source.dc, 2, 2, RasterOp::SrcCopy);
    EXPECT_EQ(CountOf(screen.image, kGreen), 4);
    EXPECT_EQ(At(screen.image, 1, 1), kGreen);
}

TEST_F(RasterOps, SrcAndKeepsOnlyTheBitsBothHave)
{
    dc.FillRect(Rect{0, 0, 6, 6}, Rgb(0xF0, 0x0F, 0xFF));
    OffScreen source(dc, 1, 1, Rgb(0x3C, 0xFF, 0x00));
    dc.BitBlt(0, 0, 1, 1, source.dc, 0, 0, RasterOp::SrcAnd);
    EXPECT_EQ(At(screen.image, 0, 0), Rgb(0x30, 0x0F, 0x00));
    EXPECT_EQ(screen.image.Data()[0] >> 24, 0xFFu);
}

TEST_F(RasterOps, MergePaintLightensWhereTheSourceIsDark)
{
    // White in the source leaves the destination alone; light grey lifts it.
    dc.FillRect(Rect{0, 0, 6, 6}, kDark);
    OffScreen mask(dc, 2, 1, Rgb(0xFF, 0xFF, 0xFF));
    mask.dc.FillRect(Rect{1, 0, 2, 1}, kGrey);
    dc.BitBlt(0, 0, 2, 1, mask.dc, 0, 0, RasterOp::MergePaint);
    EXPECT_EQ(At(screen.image, 0, 0), kDark);
    EXPECT_EQ(At(screen.image, 1, 0), Rgb(0x7F, 0x7F, 0x7F));
    EXPECT_EQ(screen.image.Data()[1] >> 24, 0xFFu);
}

TEST_F(RasterOps, MergePaintThenSrcAndDrawsAnOutlineOverAnyBackground)
{
    dc.FillRect(Rect{0, 0, 6, 6}, kGreen);
    OffScreen mask(dc, 3, 1, Rgb(0xFF, 0xFF, 0xFF));
    mask.dc.FillRect(Rect{1, 0, 2, 1}, kGrey);
    OffScreen outline(dc, 3, 1, Rgb(0xFF, 0xFF, 0xFF));
    outline.dc.FillRect(Rect{2, 0, 3, 1}, Rgb(0, 0, 0));

    dc.BitBlt(0, 0, 3, 1, mask.dc, 0, 0, RasterOp::MergePaint);
    dc.BitBlt(0, 0, 3, 1, outline.dc, 0, 0, RasterOp::SrcAnd);
    EXPECT_EQ(At(screen.image, 0, 0), kGreen);
    EXPECT_EQ(At(screen.image, 1, 0), Rgb(0x3F, 0x7F, 0x3F));
    EXPECT_EQ(At(screen.image, 2, 0), Rgb(0, 0, 0));
}

TEST_F(RasterOps, BlitsAreClippedToBothBitmaps)
{
    OffScreen card(dc, 4, 4, kRed);
    dc.FillRect(Rect{0, 0, 6, 6}, kGrey);

    // A card hanging over each edge of the client area, and one far away.
    for (const Point at : {Point{-2, -2}, Point{4, -3}, Point{-3, 4}, Point{5, 5}, Point{90, -90}}) {
        EXPECT_TRUE(dc.BitBlt(at.x, at.y, 4, 4, card.dc, 0, 0, RasterOp::SrcCopy));
    }
    EXPECT_EQ(CountOf(screen.image, kRed), 4 + 2 + 2 + 1);
    EXPECT_EQ(At(screen.image, 1, 1), kRed);
    EXPECT_EQ(At(screen.image, 5, 0), kRed);
    EXPECT_EQ(At(screen.image, 0, 5), kRed);
    EXPECT_EQ(At(screen.image, 5, 5), kRed);

    // A source rectangle reaching past the source copies only what exists.
    dc.FillRect(Rect{0, 0, 6, 6}, kGrey);
    dc.BitBlt(0, 0, 6, 6, card.dc, 2, 3, RasterOp::SrcCopy);
    EXPECT_EQ(CountOf(screen.image, kRed), 2);
    dc.BitBlt(0, 0, 6, 6, card.dc, -5, -5, RasterOp::SrcCopy);
    EXPECT_EQ(CountOf(screen.image, kRed), 2 + 1);
}

TEST_F(RasterOps, SavingAndRestoringAnAreaGivesBackTheSamePixels)
{
    for (int i = 0; i < 6; ++i) {
        dc.FillRect(Rect{i, 0, i + 1, 6}, Rgb(i * 40, 255 - i * 40, i));
    }
    Bitmap before(6, 6);
    MemoryDC copy(dc);
    copy.SelectBitmap(&before);
    copy.BitBlt(0, 0, 6, 6, dc, 0, 0, RasterOp::SrcCopy);

    OffScreen saved(dc, 3, 3, kRed);
    saved.dc.BitBlt(0, 0, 3, 3, dc, 1, 2, RasterOp::SrcCopy);
    dc.FillRect(Rect{1, 2, 4, 5}, kGreen);
    dc.BitBlt(1, 2, 3, 3, saved.dc, 0, 0, RasterOp::SrcCopy);
    EXPECT_TRUE(screen.image.HasSamePixels(before));
}

TEST_F(RasterOps, AContextWithoutABitmapDrawsNothing)
{
    MemoryDC empty(dc);
    EXPECT_TRUE(empty.ClipBox().IsEmpty());
    empty.FillRect(Rect{0, 0, 5, 5}, kRed);
    EXPECT_FALSE(empty.BitBlt(0, 0, 5, 5, dc, 0, 0, RasterOp::SrcCopy));
    EXPECT_FALSE(dc.BitBlt(0, 0, 5, 5, empty, 0, 0, RasterOp::SrcCopy));
    EXPECT_FALSE(empty.LockPixels(Rect{0, 0, 5, 5}).View());
    EXPECT_EQ(CountOf(screen.image, kRed), 0);
}

TEST(ScaledBlits, CompatibleBitmapsShareTheScale)
{
    FakeSurface screen(4, 4, 2);
    ClientDC dc(screen);
    OffScreen source(dc, 2, 2, kRed);
    EXPECT_EQ(source.bitmap.Scale(), 2);
    dc.BitBlt(1, 1, 2, 2, source.dc, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(CountOf(screen.image, kRed), 16);
    EXPECT_EQ(At(screen.image, 2, 2), kRed);
    EXPECT_EQ(At(screen.image, 5, 5), kRed);
    EXPECT_EQ(At(screen.image, 6, 6), Rgb(0, 0, 0));
}

TEST(ScaledBlits, ALowResolutionBitmapIsEnlargedPixelForPixel)
{
    // Resource bitmaps are made once at scale 1 and drawn on any window.
    FakeSurface screen(4, 4, 2);
    ClientDC dc(screen);
    Bitmap low(2, 1);
    MemoryDC memory(dc);
    memory.SelectBitmap(&low);
    EXPECT_EQ(memory.Scale(), 1);
    memory.FillRect(Rect{1, 0, 2, 1}, kGreen);

    dc.BitBlt(0, 0, 2, 1, memory, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(At(screen.image, 1, 1), Rgb(0, 0, 0));
    EXPECT_EQ(At(screen.image, 2, 0), kGreen);
    EXPECT_EQ(At(screen.image, 3, 1), kGreen);
    EXPECT_EQ(CountOf(screen.image, kGreen), 4);
}

TEST(ClientDC, PutsEveryChangeOnTheScreenAtOnce)
{
    FakeSurface screen(10, 10);
    ClientDC dc(screen);
    dc.FillRect(Rect{-3, 2, 4, 5}, kGreen);
    OffScreen card(dc, 3, 3, kRed);
    dc.BitBlt(8, 8, 3, 3, card.dc, 0, 0, RasterOp::SrcCopy);
    dc.FillRect(Rect{20, 20, 30, 30}, kRed);

    ASSERT_EQ(screen.presented.size(), 2u);
    EXPECT_EQ(screen.presented[0], (Rect{0, 2, 4, 5}));
    EXPECT_EQ(screen.presented[1], (Rect{8, 8, 10, 10}));
}

TEST(ClientDC, PresentsDirectPixelWorkOnlyOnceItIsDone)
{
    FakeSurface screen(10, 10);
    ClientDC dc(screen);
    ColorRef shown = 0;
    screen.onPresent = [&](const Rect&) { shown = At(screen.image, 3, 3); };
    {
        const auto lock = dc.LockPixels(Rect{2, 2, 12, 12});
        const PixelView& view = lock.View();
        view.pixels[3 * view.stride + 3] = ToDevicePixel(kRed);
        EXPECT_TRUE(screen.presented.empty());
    }
    ASSERT_EQ(screen.presented.size(), 1u);
    EXPECT_EQ(screen.presented[0], (Rect{2, 2, 10, 10}));
    EXPECT_EQ(shown, kRed);
}

TEST(Bitmaps, AreCountedWhileTheyExist)
{
    const int before = Bitmap::LiveCount();
    {
        Bitmap one(3, 3);
        Bitmap moved(std::move(one));
        EXPECT_EQ(Bitmap::LiveCount(), before + 1);
        Bitmap other(1, 1);
        other = std::move(moved);
        EXPECT_EQ(Bitmap::LiveCount(), before + 1);
        EXPECT_EQ(other.Width(), 3);
    }
    EXPECT_EQ(Bitmap::LiveCount(), before);
}

TEST(Bitmaps, StartBlackAndReportNothingOutsideThemselves)
{
    const Bitmap bitmap(2, 3, 2);
    EXPECT_EQ(bitmap.Data().size(), 4u * 6u);
    EXPECT_EQ(bitmap.GetPixel(3, 5), Rgb(0, 0, 0));
    EXPECT_FALSE(bitmap.GetPixel(4, 0));
    EXPECT_FALSE(bitmap.GetPixel(0, -1));
}

} // namespace
} // namespace tw
