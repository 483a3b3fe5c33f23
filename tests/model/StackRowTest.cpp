#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>

#include "model/Stack.h"
#include "model/StackRow.h"
#include "support/SettingsScope.h"
#include "support/TestTable.h"

namespace tw {
namespace {

class Row : public ::testing::Test {
protected:
    Row() { row.CreateStacks(); }

    void Deal(std::int32_t column, std::initializer_list<CardCode> bottomFirst)
    {
        for (const CardCode code : bottomFirst) {
            row.PushCard(column, std::make_unique<Card>(code));
        }
    }

    test::SettingsScope scope;
    test::TestTable table;
    StackRow row{71, 96};
};

TEST_F(Row, LaysOutTheWorkedExampleAndReachesNothingBeyondItsSevenColumns)
{
    const RowLayout layout = row.Layout(Rect{0, 0, 630, 400});
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(std::pair(row.GetStack(column)->GetX(), row.GetStack(column)->GetY()), std::pair(7 + 91 * column, 308));
    }
    EXPECT_EQ(std::tuple(layout.startX, layout.dealY, layout.startColumn), std::tuple(280, 20, 3));
    EXPECT_EQ(layout.rowRect, (Rect{7, 308, 624, 404}));
    EXPECT_EQ(row.GetCount(), 7);
    EXPECT_EQ(row.GetStack(7), nullptr);
    EXPECT_EQ(row.GetStack(-1), nullptr);
    EXPECT_EQ(row.CardCount(9), 0);
    EXPECT_LT(row.DistanceToLanding(0, 0, -1), 0) << "no card may land beside the row";
    // Centring divisions truncate toward zero: (-1 + 0) / 2 is 0 here, not -1.
    EXPECT_EQ(row.Layout(Rect{0, 0, 631, 400}).rowRect.left, 7);
    EXPECT_EQ(row.Layout(Rect{-1, 0, 0, 400}).rowRect.left, 0 - 248 - 60);
}

TEST_F(Row, UpsideDownHangsTheStacksFromTheTopAndDealsBelowThem)
{
    settings.UpDown = -1;
    const RowLayout layout = row.Layout(Rect{0, 50, 630, 400});
    EXPECT_EQ(std::pair(row.GetStack(6)->GetX(), row.GetStack(6)->GetY()), std::pair(553, 70));
    EXPECT_EQ(layout.dealY, 50 + 308);
    EXPECT_EQ(layout.rowRect, (Rect{7, 70, 624, 166}));
}

TEST_F(Row, ANewCardHasRoomUntilItsColumnHoldsTwelveCards)
{
    const RowLayout layout = row.Layout(Rect{0, 0, 630, 400});
    for (int cards = 0; cards <= 13; ++cards) {
        EXPECT_EQ(row.DistanceToLanding(layout.startX, layout.dealY, 2), 288 - 24 * cards);
        EXPECT_EQ(row.LandingY(2), 308 - 24 * cards);
        Deal(2, {0});
    }
}

TEST_F(Row, PassesMeldsAndCollapsesToTheColumnsStack)
{
    row.Layout(Rect{0, 0, 640, 460});
    Deal(4, {20, 21, 22}); // three sixes
    EXPECT_EQ(std::pair(row.MeldLength(4), row.MeldLength(3)), std::pair(3, 0));
    EXPECT_EQ(row.Collapse(table.gameDc, 4, 3, nullptr), 15);
    EXPECT_EQ(row.CardCount(4), 0);
}

// Clearing sums every card's value; the markers of the emptied stacks are
// redrawn, and empty stacks cost nothing and stay silent.
TEST_F(Row, ClearingSumsTheValueOfEveryCardAndRedrawsTheMarkers)
{
    row.Layout(Rect{0, 0, 640, 460});
    EXPECT_EQ(row.ClearAll(table.gameDc), 0);
    EXPECT_TRUE(table.sound.tones.empty());
    Deal(0, {0, 24});      // ace 15, seven 5
    Deal(6, {48, 36, 40}); // king, ten, jack: 10 each
    EXPECT_EQ(row.ClearAll(table.gameDc), 50);
    EXPECT_EQ(table.sound.tones.size(), 5u);
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(row.CardCount(column), 0);
    }
    test::TestTable expected;
    row.DrawAll(expected.gameDc);
    EXPECT_TRUE(table.screen.image.HasSamePixels(expected.Snapshot()));
}

} // namespace
} // namespace tw
