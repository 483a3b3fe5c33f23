#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "model/Board.h"
#include "model/Deck.h"
#include "model/Random.h"
#include "model/StackRow.h"
#include "support/DeckBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

using test::DeckOf;

// Codes that never form a meld however they are stacked: no two share a
// rank, and cards of one suit are never neighbours in rank.
const std::vector<std::string_view> kNoMelds{"AC", "3C", "5C", "7C", "9C", "JC", "KC",
                                             "2D", "4D", "6D", "8D", "10D", "QD"};

// With a 640-pixel client area the row starts at x 12; columns are 91 apart.
constexpr int ColumnX(int column) { return 12 + 91 * column; }

class Game : public ::testing::Test {
protected:
    Game() { SeedRandom(1); }

    Board& Start(std::unique_ptr<Deck> deck = nullptr) { return host.NewBoard(std::move(deck)); }
    Board& board() { return *host.board; }
    const CardSprite& Falling() { return board().GetDeck().Sprite(); }

    void MoveTo(int column)
    {
        while (board().GetColumn() < column) {
            board().MoveRight();
        }
        while (board().GetColumn() > column) {
            board().MoveLeft();
        }
    }

    // Drops the falling card on the emptiest column, so a long game never
    // runs out of room.
    void DropOnEmptiestColumn()
    {
        int emptiest = 0;
        for (int column = 1; column < 7; ++column) {
            if (board().GetStackRow().CardCount(column) < board().GetStackRow().CardCount(emptiest)) {
                emptiest = column;
            }
        }
        MoveTo(emptiest);
        if (!host.IsGameOver()) {
            board().Drop();
        }
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

TEST_F(Game, DealsOverTheMiddleColumnAndLandsAfterTwentyFourTicks)
{
    Start();
    EXPECT_EQ(settings.dropInterval, 800);
    EXPECT_EQ(board().GetColumn(), 3);
    EXPECT_EQ(Falling().GetX(), ColumnX(3));
    EXPECT_EQ(Falling().GetY(), 20);
    for (int tick = 1; tick < 24; ++tick) {
        board().Tick();
    }
    EXPECT_EQ(board().GetStackRow().CardCount(3), 0);
    board().Tick();
    EXPECT_EQ(board().GetStackRow().CardCount(3), 1);
    EXPECT_EQ(board().GetScore(), 1);
    EXPECT_EQ(Falling().GetY(), 20) << "the next card is dealt at once";
}

TEST_F(Game, ANewCardFollowsTheLastLandingOnlyWithLastStack)
{
    for (const int lastStack : {1, 0}) {
        settings.LastStack = lastStack;
        Start();
        MoveTo(5);
        board().Drop();
        EXPECT_EQ(board().GetColumn(), lastStack ? 5 : 3);
        EXPECT_EQ(Falling().GetX(), ColumnX(board().GetColumn()));
    }
}

TEST_F(Game, ADropDrawsEveryFortyEightPixelsAndLands)
{
    Start(DeckOf(kNoMelds));
    for (int i = 0; i < 3; ++i) {
        board().Drop();
    }
    host.sleeps.clear();
    board().Drop(); // 216 pixels onto three cards: 20, 68, 116, 164, 212, then 236
    EXPECT_EQ(host.sleeps, std::vector<int>(5, 10));
    EXPECT_EQ(board().GetStackRow().CardCount(3), 4);
}

TEST_F(Game, ASwapReplacesTheFallingCardWhereItIs)
{
    settings.OneDeck = 0;
    settings.SwapMode = 2; // the 13-minus companion
    Start();
    board().Tick();
    const CardCode before = Falling().GetCard()->GetCode();
    board().Swap();
    const CardCode after = Falling().GetCard()->GetCode();
    EXPECT_EQ(after, CardRank(before) == 12 ? before : MakeCardCode(11 - CardRank(before), CardSuit(before)));
    EXPECT_EQ(Falling().GetX(), ColumnX(3));
    EXPECT_EQ(Falling().GetY(), 32);
    board().Swap();
    EXPECT_EQ(Falling().GetCard()->GetCode(), before) << "swapping twice restores the card";
}

TEST_F(Game, MovesStopAtTheEdgesAndAtStacksThatReachPastTheCard)
{
    settings.LastStack = 0;
    Start(DeckOf(kNoMelds));
    MoveTo(0);
    board().MoveLeft();
    EXPECT_EQ(board().GetColumn(), 0);
    for (int i = 0; i < 12; ++i) {
        MoveTo(2);
        board().Drop();
    }
    // Level with the twelve cards: moving there lands at once.
    board().MoveLeft();
    EXPECT_EQ(board().GetStackRow().CardCount(2), 13);
    // Now the stack reaches past a new card: the move is refused.
    board().MoveLeft();
    EXPECT_EQ(board().GetColumn(), 3);
    MoveTo(6);
    board().MoveRight();
    EXPECT_EQ(board().GetColumn(), 6);
}

TEST_F(Game, AMeldScoresTimesTheMultiplierAndItsPointsShowForSevenTicks)
{
    for (const auto& [levels, expectedScore] : {std::pair{0, 3 + 30}, {5, 3 * 2 + 67}}) {
        Start(DeckOf({"KC", "KD", "KS"}));
        for (int i = 0; i < levels; ++i) {
            board().AdvanceLevel();
        }
        for (int i = 0; i < 3; ++i) {
            board().Drop();
        }
        EXPECT_EQ(board().GetScore(), expectedScore) << "level " << levels;
        EXPECT_EQ(board().GetStackRow().CardCount(3), 0);
    }
    EXPECT_EQ(board().GetStackPoints(3), 67);
    for (int tick = 0; tick < 6; ++tick) {
        board().Tick();
    }
    EXPECT_EQ(board().GetStackPoints(3), 67);
    board().Tick();
    EXPECT_EQ(board().GetStackPoints(3), 0);
}

TEST_F(Game, WithoutSpeedUpEveryLevelPlaysAtTheFirstPaceAndScore)
{
    settings.GetFaster = 0;
    Start(DeckOf({"KC", "KD", "KS"}));
    for (int i = 0; i < 5; ++i) {
        board().AdvanceLevel();
    }
    EXPECT_EQ(settings.dropInterval, 800);
    EXPECT_DOUBLE_EQ(board().Multiplier(), 1.0);
    for (int i = 0; i < 3; ++i) {
        board().Drop();
    }
    EXPECT_EQ(board().GetScore(), 33);
}

TEST_F(Game, EachLevelSpeedsUpAndAfterSixtyThreeMillisecondsStartsAgain)
{
    Start();
    std::vector<int> intervals;
    for (int i = 0; i < 9; ++i) {
        board().AdvanceLevel();
        intervals.push_back(settings.dropInterval);
        EXPECT_EQ(host.window.timers.at(kDropTimer), settings.dropInterval);
    }
    EXPECT_EQ(intervals, (std::vector<int>{600, 400, 200, 150, 112, 84, 63, 200, 150}));
    EXPECT_EQ(host.levelAdvances, 9);
    EXPECT_EQ(board().GetLevel(), 9);
}

TEST_F(Game, TheFiftySecondCardAdvancesTheLevelBeforeTheNextCardIsPlaced)
{
    settings.OneDeck = 1;
    Start();
    CardCode dealtBeforeTheAdvance = -1;
    host.window.onCommand = [&](int id) {
        ASSERT_EQ(id, CommandLevelComplete);
        const CardSprite& falling = Falling();
        EXPECT_EQ(falling.GetX(), 0) << "not yet placed";
        dealtBeforeTheAdvance = falling.GetCard()->GetCode();
        board().AdvanceLevel();
    };
    for (int card = 0; card < 51; ++card) {
        DropOnEmptiestColumn();
    }
    EXPECT_EQ(host.levelAdvances, 0);
    DropOnEmptiestColumn();
    ASSERT_FALSE(host.IsGameOver());
    EXPECT_EQ(host.levelAdvances, 1);
    EXPECT_EQ(board().GetLevel(), 1);
    EXPECT_EQ(board().GetCardsThisLevel(), 0);
    EXPECT_EQ(Falling().GetCard()->GetCode(), dealtBeforeTheAdvance);
    EXPECT_EQ(Falling().GetY(), 20);
}

TEST_F(Game, ClearingTheStacksCostsTheirValueEvenBelowZero)
{
    settings.ClearStacks = 1;
    Start(DeckOf({"AC"}));
    board().Drop();
    board().AdvanceLevel();
    EXPECT_EQ(board().GetScore(), 1 - 15);
    EXPECT_EQ(board().GetStackRow().CardCount(3), 0);
}

// Whole games, from the first deal to each way a game can end.

TEST_F(Game, EndsWhenANewCardHasNoRoom)
{
    settings.OneDeck = 1;
    settings.LastStack = 0;
    Start(DeckOf(kNoMelds));
    for (int card = 0; card < 12; ++card) {
        EXPECT_TRUE(host.gameOverReasons.empty());
        board().Drop();
    }
    EXPECT_EQ(host.gameOverReasons, std::vector<int>{0});
    EXPECT_EQ(board().GetScore(), 12);
    EXPECT_EQ(board().GetStackRow().CardCount(3), 12);
}

TEST_F(Game, EndsWhenTheDeckRunsOut)
{
    settings.EndOnShuffle = 1;
    Start(DeckOf({"2C", "9D"}));
    board().Drop();
    board().Drop();
    EXPECT_EQ(host.gameOverReasons, std::vector<int>{1});
    EXPECT_EQ(board().GetScore(), 2);
    EXPECT_EQ(board().GetDeck().RemainingCount() + 1, 0) << "the status line reads 0";
}

TEST_F(Game, EndsWhenTheLastCardsKeepFormingOneMeld)
{
    // Three kings collapse on their own, go back into the deck and are the
    // whole rest of it again: the 32nd time that is found, the game is over.
    settings.EndOnShuffle = 1;
    Start(DeckOf({"KC", "KD", "KH"}));
    int landings = 0;
    while (host.gameOverReasons.empty() && landings < 200) {
        board().Drop();
        ++landings;
    }
    EXPECT_EQ(host.gameOverReasons, std::vector<int>{2});
    EXPECT_EQ(landings, 93);
    // 93 landings of 1 point; 17 melds of 30 at level 0 and 14 of
    // trunc(30 x 1.25) = 37 once the 52nd card has passed a level.
    EXPECT_EQ(board().GetScore(), 93 + 17 * 30 + 14 * 37);
    EXPECT_EQ(board().GetLevel(), 1);
}

} // namespace
} // namespace tw
