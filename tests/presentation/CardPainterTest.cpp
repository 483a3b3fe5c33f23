#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "presentation/CardDrawMode.h"
#include "support/SettingsScope.h"
#include "support/TestTable.h"

namespace tw {
namespace {

constexpr ColorRef kPlayfield = Rgb(0, 0x40, 0);
constexpr ColorRef kRing = Rgb(0x3F, 0x7F, 0x3F); // the playfield OR NOT light grey
constexpr ColorRef kBlack = Rgb(0, 0, 0);

class CardPainting : public ::testing::Test {
protected:
    ColorRef At(int x, int y) { return *table.screen.image.GetPixel(x, y); }

    test::SettingsScope scope;
    test::TestTable table;
};

TEST_F(CardPainting, TheEmptySlotLightensARingAndOutlinesTheCardOverAnyBackground)
{
    ASSERT_EQ(static_cast<ColorRef>(settings.BackgroundColor), kPlayfield);
    const Bitmap before = table.Snapshot();
    table.painter.Draw(table.dc, 100, 50, 3, EmptySlot, 54, true);

    // The outline's corners are cut; inside the ring and beyond the 70 by 95
    // overlay the playfield shows.
    for (const auto& [x, y, colour] : std::vector<std::tuple<int, int, ColorRef>>{
             {0, 0, kPlayfield}, {1, 0, kBlack}, {0, 1, kBlack}, {69, 93, kBlack}, {69, 94, kPlayfield},
             {7, 47, kRing}, {35, 17, kRing}, {35, 47, kPlayfield}, {70, 40, kPlayfield}}) {
        EXPECT_EQ(At(100 + x, 50 + y), colour) << x << "," << y;
    }
    // Everything else keeps the background: only the ring and outline change.
    int changed = 0;
    for (int y = 0; y < 460; ++y) {
        for (int x = 0; x < 640; ++x) {
            const ColorRef now = At(x, y);
            changed += now != *before.GetPixel(x, y);
            ASSERT_TRUE(now == *before.GetPixel(x, y) || now == kRing || now == kBlack) << x << "," << y;
        }
    }
    EXPECT_GT(changed, 2 * (70 + 95));
}

TEST_F(CardPainting, AnInvisibleCardWipesItsWholeRectangle)
{
    table.painter.Draw(table.dc, 10, 10, 51, FaceUp, 54, true);
    table.painter.Draw(table.dc, 10, 34, 12, FaceUp, 54, true);
    table.painter.Draw(table.dc, 10, 34, 12, FaceUp, 54, false);
    for (int y = 34; y < 34 + 96; ++y) {
        for (int x = 10; x < 10 + 71; ++x) {
            ASSERT_EQ(At(x, y), kPlayfield) << x << "," << y;
        }
    }
    EXPECT_NE(At(40, 20), kPlayfield) << "the card above the wiped one stays";
}

TEST_F(CardPainting, FaceDownShowsTheBackDesignAndFaceUpTheFace)
{
    table.painter.Draw(table.dc, 0, 0, 0, FaceUp, 54, true);
    table.painter.Draw(table.dc, 100, 0, 0, FaceDown, 54, true);
    int different = 0;
    for (int y = 5; y < 90; ++y) {
        for (int x = 5; x < 65; ++x) {
            different += At(x, y) != At(100 + x, y);
        }
    }
    EXPECT_GT(different, 1000);
}

} // namespace
} // namespace tw
