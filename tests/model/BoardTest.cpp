#include <gtest/gtest.h>

#include <array>
#include <ranges>
#include <utility>
#include <memory>
#include <vector>

#include "model/Board.h"
#include "model/Random.h"
#include "model/StackRow.h"
#include "support/DeckBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"

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
    int Count(int column) { return board().GetStackRow().CardCount(column); }
    void Repeat(int n, void (Board::*action)())
    {
        for (int i = 0; i < n; ++i) {
            (board().*action)();
        }
    }
    void MoveTo(int column)
    {
        while (board().GetColumn() != column) {
            board().GetColumn() < column ? board().MoveRight() : board().MoveLeft();
        }
    }
    // The emptiest column, so a long game never runs out of room.
    void DropOnEmptiestColumn()
    {
        MoveTo(std::ranges::min(std::views::iota(0, 7), {}, [this](int c) { return Count(c); }));
        if (!host.IsGameOver()) {
            board().Drop();
        }
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

// A new card comes over the middle column, or with LastStack over the column
// the last card landed on.
TEST_F(Game, DealsOverTheMiddleColumnAndLandsAfterTwentyFourTicks)
{
    for (const int lastStack : {1, 0}) {
        settings.LastStack = lastStack;
        Start();
        EXPECT_EQ(std::pair(Falling().GetX(), Falling().GetY()), std::pair(ColumnX(3), 20));
        Repeat(23, &Board::Tick);
        EXPECT_EQ(Count(3), 0);
        board().Tick();
        EXPECT_EQ(Count(3), 1);
        EXPECT_EQ(board().GetScore(), 1);
        MoveTo(5);
        board().Drop();
        EXPECT_EQ(board().GetColumn(), lastStack ? 5 : 3);
        EXPECT_EQ(std::pair(Falling().GetX(), Falling().GetY()), std::pair(ColumnX(board().GetColumn()), 20));
    }
}

TEST_F(Game, ASwapReplacesTheFallingCardWhereItIs)
{
    settings.OneDeck = 0;
    settings.SwapMode = 2; // the 13-minus companion
    Start();
    board().Tick();
    const CardCode x = Falling().GetCard()->GetCode();
    board().Swap();
    EXPECT_EQ(Falling().GetCard()->GetCode(), CardRank(x) == 12 ? x : MakeCardCode(11 - CardRank(x), CardSuit(x)));
    EXPECT_EQ(std::pair(Falling().GetX(), Falling().GetY()), std::pair(ColumnX(3), 32));
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
    board().MoveLeft(); // level with the twelve cards: lands at once
    EXPECT_EQ(Count(2), 13);
    board().MoveLeft(); // the stack now reaches past a new card
    EXPECT_EQ(board().GetColumn(), 3);
    MoveTo(6);
    board().MoveRight();
    EXPECT_EQ(board().GetColumn(), 6);
}

// Three kings landing: 1 point each, then the meld's 30 times the level's
// multiplier; without speed-up every level plays and scores as the first.
TEST_F(Game, AMeldScoresTimesTheMultiplierAndItsPointsShowForSevenTicks)
{
    for (const auto& [faster, levels, score, interval] : std::vector<std::array<int, 4>>{
             {1, 0, 3 + 30, 800}, {0, 5, 3 + 30, 800}, {1, 5, 3 * 2 + 67, 112}}) {
        settings.GetFaster = faster;
        Start(DeckOf({"KC", "KD", "KS"}));
        Repeat(levels, &Board::AdvanceLevel);
        EXPECT_EQ(settings.dropInterval, interval);
        Repeat(3, &Board::Drop);
        EXPECT_EQ(board().GetScore(), score) << "level " << levels;
        EXPECT_EQ(Count(3), 0);
    }
    EXPECT_EQ(board().GetStackPoints(3), 67);
    Repeat(6, &Board::Tick);
    EXPECT_EQ(board().GetStackPoints(3), 67);
    board().Tick();
    EXPECT_EQ(board().GetStackPoints(3), 0);
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
        EXPECT_EQ(Falling().GetX(), 0) << "not yet placed";
        dealtBeforeTheAdvance = Falling().GetCard()->GetCode();
        board().AdvanceLevel();
    };
    for (int card = 0; card < 51; ++card) {
        DropOnEmptiestColumn();
    }
    EXPECT_EQ(host.levelAdvances, 0);
    DropOnEmptiestColumn();
    ASSERT_FALSE(host.IsGameOver());
    EXPECT_EQ(host.levelAdvances, 1);
    EXPECT_EQ(std::pair(board().GetLevel(), board().GetCardsThisLevel()), std::pair(1, 0));
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
    EXPECT_EQ(Count(3), 0);
}

// Whole games, from the first deal to each way a game can end.

TEST_F(Game, DropsInStepsOfFortyEightPixelsAndEndsWhenANewCardHasNoRoom)
{
    settings.OneDeck = 1;
    settings.LastStack = 0;
    Start(DeckOf(kNoMelds));
    Repeat(3, &Board::Drop);
    host.sleeps.clear();
    board().Drop(); // 216 pixels onto three cards: 20, 68, 116, 164, 212, then 236
    EXPECT_EQ(host.sleeps, std::vector<int>(5, 10));
    Repeat(7, &Board::Drop);
    EXPECT_TRUE(host.gameOverReasons.empty());
    board().Drop();
    EXPECT_EQ(host.gameOverReasons, std::vector<int>{0});
    EXPECT_EQ(board().GetScore(), 12);
    EXPECT_EQ(Count(3), 12);
}

TEST_F(Game, EndsWhenTheDeckRunsOut)
{
    settings.EndOnShuffle = 1;
    Start(DeckOf({"2C", "9D"}));
    Repeat(2, &Board::Drop);
    EXPECT_EQ(host.gameOverReasons, std::vector<int>{1});
    EXPECT_EQ(board().GetScore(), 2);
    EXPECT_EQ(board().GetDeck().RemainingCount() + 1, 0) << "the status line reads 0";
}

// Three kings collapse on their own, go back into the deck and are the whole
// rest of it again: the 32nd time that is found, the game is over.
TEST_F(Game, EndsWhenTheLastCardsKeepFormingOneMeld)
{
    settings.EndOnShuffle = 1;
    Start(DeckOf({"KC", "KD", "KH"}));
    int landings = 0;
    for (; host.gameOverReasons.empty() && landings < 200; ++landings) {
        board().Drop();
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
