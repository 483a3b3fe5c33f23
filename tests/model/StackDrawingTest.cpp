#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/Deck.h"
#include "model/Stack.h"
#include "support/CardBuilders.h"
#include "support/SettingsScope.h"
#include "support/TestTable.h"

namespace tw {
namespace {

using test::Tone;

constexpr int kX = 300;
constexpr int kY = 300;

class StackOnScreen : public ::testing::Test {
protected:
    // Cards as a player reads the column, top card first.
    void Build(std::initializer_list<std::string_view> fromTop)
    {
        stack = test::StackFromTop(fromTop);
        stack->SetPosition(kX, kY);
        stack->Draw(table.gameDc);
        table.sound.tones.clear();
        table.screen.presented.clear();
    }

    // What a full repaint of the stack as it is now would show.
    Bitmap FreshPaint()
    {
        test::TestTable fresh;
        stack->Draw(fresh.gameDc);
        return fresh.Snapshot();
    }

    // Device pixels that differ, other than in the corners of the stack's
    // cards, where a repainted card shows what lay beneath its rounded
    // corners at that moment.
    int DifferencesAwayFromCorners(const Bitmap& expected)
    {
        int differences = 0;
        for (int y = 0; y < 460; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (table.screen.image.GetPixel(x, y) == expected.GetPixel(x, y)) {
                    continue;
                }
                const int cx = (x - kX) < 4 || (x - kX) >= 67;
                const int cy = ((y - kY) % 24 + 24) % 24 < 4 || ((y - kY) % 24 + 24) % 24 >= 20;
                differences += !(cx && cy);
            }
        }
        return differences;
    }

    test::SettingsScope scope;
    test::TestTable table;
    std::unique_ptr<Stack> stack;
};

TEST_F(StackOnScreen, DrawsEachCardOneStepFurtherFromTheBaseInBothDirections)
{
    for (const int upDown : {1, -1}) {
        settings.UpDown = upDown;
        table.Clear();
        Build({"3C", "2C", "AC"});
        // Drawn one by one, bottom first, each card overlapping the one beneath.
        test::TestTable byHand;
        byHand.painter.Draw(byHand.dc, kX, kY, 3, EmptySlot, 54, true);
        byHand.painter.Draw(byHand.dc, kX, kY, 0, FaceUp, 54, true);
        byHand.painter.Draw(byHand.dc, kX, kY - 24 * upDown, 4, FaceUp, 54, true);
        byHand.painter.Draw(byHand.dc, kX, kY - 48 * upDown, 8, FaceUp, 54, true);
        EXPECT_TRUE(table.screen.image.HasSamePixels(byHand.Snapshot())) << "UpDown " << upDown;
    }
}

TEST_F(StackOnScreen, ACollapsePlaysRisingTonesAndScores)
{
    Build({"7C", "7D", "7H", "KS"});
    EXPECT_EQ(stack->Collapse(table.gameDc, 3, nullptr), 15);
    EXPECT_EQ(stack->GetCount(), 1);
    EXPECT_EQ(table.sound.tones, (std::vector<Tone>{{220, 200, 1}, {330, 170, 1}, {440, 150, 1}}));
    EXPECT_EQ(DifferencesAwayFromCorners(FreshPaint()), 0);
}

TEST_F(StackOnScreen, WithSoundOffACollapseOnlyWaits)
{
    settings.Beep = 0;
    Build({"AS", "2S", "3S", "4S", "5S", "6S", "7S"});
    stack->Collapse(table.gameDc, 7, nullptr);
    const std::vector<Tone> expected{{220, 200, 0}, {330, 170, 0}, {440, 150, 0}, {550, 135, 0},
                                     {660, 125, 0}, {770, 116, 0}, {880, 110, 0}};
    EXPECT_EQ(table.sound.tones, expected);
}

TEST_F(StackOnScreen, CollapsingTheWholeStackLeavesTheEmptySlotMarker)
{
    for (const int upDown : {1, -1}) {
        settings.UpDown = upDown;
        table.Clear();
        Build({"QH", "QD", "QC"});
        stack->Collapse(table.gameDc, 3, nullptr);
        EXPECT_EQ(stack->GetCount(), 0);
        EXPECT_TRUE(table.screen.image.HasSamePixels(FreshPaint())) << "UpDown " << upDown;
    }
}

TEST_F(StackOnScreen, CollapsedCardsGoBackIntoTheDeckOnlyWhenItTakesThemBack)
{
    for (const int oneDeck : {0, 1, 2}) {
        settings.OneDeck = oneDeck;
        Deck deck;
        Build({"9D", "9C", "9S"});
        const int before = deck.RemainingCount();
        stack->Collapse(table.gameDc, 3, &deck);
        EXPECT_EQ(deck.RemainingCount(), before + (oneDeck == 2 ? 3 : 0)) << "OneDeck " << oneDeck;
    }
}

TEST_F(StackOnScreen, ClearingTakesEveryCardWithALowToneAndCountsItsValue)
{
    Build({"KH", "7D", "AC"});
    EXPECT_EQ(stack->ClearAnimated(table.gameDc), 30);
    EXPECT_EQ(stack->GetCount(), 0);
    EXPECT_EQ(table.sound.tones, (std::vector<Tone>(3, {120, 50, 1})));
    // Nothing is redrawn: the marker comes with the caller's next draw.
    test::TestTable blank;
    EXPECT_TRUE(table.screen.image.HasSamePixels(blank.Snapshot()));
}

TEST_F(StackOnScreen, ClearingAnEmptyStackDoesNothing)
{
    Build({});
    EXPECT_EQ(stack->ClearAnimated(table.gameDc), 0);
    EXPECT_TRUE(table.sound.tones.empty());
    EXPECT_TRUE(table.screen.presented.empty());
}

} // namespace
} // namespace tw
