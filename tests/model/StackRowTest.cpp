#include <gtest/gtest.h>

#include <memory>

#include "model/CardSprite.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"
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
    StackRow row{71, 96};
};

TEST_F(Row, LaysOutTheWorkedExample)
{
    const RowLayout layout = row.Layout(Rect{0, 0, 630, 400});
    const int expectedX[] = {7, 98, 189, 280, 371, 462, 553};
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(row.GetStack(column)->GetX(), expectedX[column]);
        EXPECT_EQ(row.GetStack(column)->GetY(), 308);
    }
    EXPECT_EQ(layout.startX, 280);
    EXPECT_EQ(layout.dealY, 20);
    EXPECT_EQ(layout.startColumn, 3);
    EXPECT_EQ(layout.rowRect, (Rect{7, 308, 624, 404}));
}

TEST_F(Row, UpsideDownHangsTheStacksFromTheTopAndDealsBelowThem)
{
    settings.UpDown = -1;
    const RowLayout layout = row.Layout(Rect{0, 50, 630, 400});
    EXPECT_EQ(row.GetStack(0)->GetX(), 7);
    EXPECT_EQ(row.GetStack(6)->GetY(), 70);
    EXPECT_EQ(layout.dealY, 50 + 308);
    EXPECT_EQ(layout.rowRect, (Rect{7, 70, 624, 166}));
}

TEST_F(Row, CentresWithDivisionsTruncatingTowardZero)
{
    EXPECT_EQ(row.Layout(Rect{0, 0, 631, 400}).rowRect.left, 7);
    // (-1 + 0) / 2 is 0 here, not -1.
    EXPECT_EQ(row.Layout(Rect{-1, 0, 0, 400}).rowRect.left, 0 - 248 - 60);
}

TEST_F(Row, ReachesItsSevenColumnsAndNothingBeyond)
{
    EXPECT_EQ(row.GetCount(), 7);
    row.Layout(Rect{0, 0, 630, 400});
    EXPECT_EQ(row.GetStack(0)->GetX(), 7);
    EXPECT_EQ(row.GetStack(7), nullptr);
    EXPECT_EQ(row.GetStack(-1), nullptr);
    EXPECT_EQ(row.CardCount(9), 0);
    EXPECT_LT(row.DistanceToLanding(0, 0, -1), 0) << "no card may land beside the row";
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
    test::TestTable table;
    row.Layout(Rect{0, 0, 640, 460});
    Deal(4, {20, 21, 22}); // three sixes
    EXPECT_EQ(row.MeldLength(4), 3);
    EXPECT_EQ(row.MeldLength(3), 0);
    EXPECT_EQ(row.Collapse(table.gameDc, 4, 3, nullptr), 15);
    EXPECT_EQ(row.CardCount(4), 0);
}

TEST_F(Row, ClearingEmptyStacksCostsNothingAndRedrawsTheMarkers)
{
    test::TestTable table;
    row.Layout(Rect{0, 0, 640, 460});
    EXPECT_EQ(row.ClearAll(table.gameDc), 0);
    EXPECT_TRUE(table.sound.tones.empty());

    test::TestTable expected;
    row.DrawAll(expected.gameDc);
    EXPECT_TRUE(table.screen.image.HasSamePixels(expected.Snapshot()));
}

TEST_F(Row, ClearingSumsTheValueOfEveryCardInTheRow)
{
    test::TestTable table;
    row.Layout(Rect{0, 0, 640, 460});
    Deal(0, {0, 24});      // ace 15, seven 5
    Deal(6, {48, 36, 40}); // king, ten, jack: 10 each
    EXPECT_EQ(row.ClearAll(table.gameDc), 50);
    EXPECT_EQ(table.sound.tones.size(), 5u);
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(row.CardCount(column), 0);
    }
}

TEST_F(Row, PictureOfARowInPlay)
{
    test::TestTable table;
    const RowLayout layout = row.Layout(Rect{0, 0, 640, 460});
    Deal(0, {4, 9, 14, 19});
    Deal(1, {51});
    Deal(3, {40, 41, 42, 44, 45, 46, 48, 49, 50, 0, 1});
    Deal(5, {28, 33, 38});
    Deal(6, {2, 7, 12, 17, 22});
    row.DrawAll(table.gameDc);

    CardSprite falling;
    falling.SetCard(std::make_unique<Card>(43));
    falling.SetPosition(layout.startX + 91 * 1, layout.dealY + 12 * 9);
    falling.Show(table.gameDc);
    EXPECT_TRUE(table.screen.image.SavePng(test::TestOutputPath("stack-row.png")));
}

} // namespace
} // namespace tw
