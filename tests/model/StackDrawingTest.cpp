#include <gtest/gtest.h>

#include <memory>
#include <tuple>
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
    void Build(const std::vector<std::string_view>& fromTop)
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
                const int dy = ((y - kY) % 24 + 24) % 24;
                const bool corner = (x - kX < 4 || x - kX >= 67) && (dy < 4 || dy >= 20);
                differences += !corner && table.screen.image.GetPixel(x, y) != expected.GetPixel(x, y);
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
        test::TestTable byHand; // bottom first, each card overlapping the one beneath
        byHand.painter.Draw(byHand.dc, kX, kY, 3, EmptySlot, 54, true);
        for (const CardCode code : {0, 4, 8}) {
            byHand.painter.Draw(byHand.dc, kX, kY - 6 * code * upDown, code, FaceUp, 54, true);
        }
        EXPECT_TRUE(table.screen.image.HasSamePixels(byHand.Snapshot())) << "UpDown " << upDown;
    }
}

// Rising tones, one a card, that only wait with the sound off; the stack is
// then repainted as it now is, down to the empty-slot marker in either
// orientation, and the cards go back into a deck that takes them back.
TEST_F(StackOnScreen, ACollapsePlaysRisingTonesScoresAndRepairsTheScreen)
{
    for (const auto& [beep, upDown, oneDeck, fromTop, n, tones] : std::vector<std::tuple<int, int, int, std::vector<std::string_view>, int, std::vector<Tone>>>{
             {1, 1, 2, {"7C", "7D", "7H", "KS"}, 3, {{220, 200, 1}, {330, 170, 1}, {440, 150, 1}}},
             {1, -1, 1, {"QH", "QD", "QC"}, 3, {{220, 200, 1}, {330, 170, 1}, {440, 150, 1}}},
             {0, 1, 0, {"AS", "2S", "3S", "4S", "5S", "6S", "7S"}, 7,
              {{220, 200, 0}, {330, 170, 0}, {440, 150, 0}, {550, 135, 0}, {660, 125, 0}, {770, 116, 0}, {880, 110, 0}}}}) {
        std::tie(settings.Beep, settings.UpDown, settings.OneDeck) = std::tuple(beep, upDown, oneDeck);
        table.Clear();
        Build(fromTop);
        Deck deck;
        EXPECT_EQ(stack->Collapse(table.gameDc, n, &deck), test::StackFromTop(fromTop)->MeldPoints(n));
        EXPECT_EQ(stack->GetCount(), static_cast<std::int32_t>(fromTop.size()) - n);
        EXPECT_EQ(deck.RemainingCount(), oneDeck == 2 ? n : 0);
        EXPECT_EQ(table.sound.tones, tones);
        EXPECT_EQ(DifferencesAwayFromCorners(FreshPaint()), 0) << "UpDown " << upDown;
        EXPECT_TRUE(stack->GetCount() > 0 || table.screen.image.HasSamePixels(FreshPaint()));
    }
}

// Every card goes with a low tone; nothing is redrawn, the marker comes with
// the caller's next draw. An empty stack neither sounds nor draws.
TEST_F(StackOnScreen, ClearingTakesEveryCardWithALowToneAndCountsItsValue)
{
    Build({"KH", "7D", "AC"});
    EXPECT_EQ(stack->ClearAnimated(table.gameDc), 30);
    EXPECT_EQ(stack->GetCount(), 0);
    EXPECT_EQ(table.sound.tones, (std::vector<Tone>(3, {120, 50, 1})));
    EXPECT_TRUE(table.screen.image.HasSamePixels(test::TestTable().Snapshot()));
    Build({});
    EXPECT_EQ(stack->ClearAnimated(table.gameDc), 0);
    EXPECT_TRUE(table.sound.tones.empty());
    EXPECT_TRUE(table.screen.presented.empty());
}

} // namespace
} // namespace tw
