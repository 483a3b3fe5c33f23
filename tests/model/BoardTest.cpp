#include <gtest/gtest.h>

#include <string_view>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/Board.h"
#include "model/Random.h"
#include "model/StackRow.h"
#include "support/CardBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

// Codes that never form a meld however they are stacked: no two share a
// rank, and cards of one suit are never neighbours in rank.
const std::vector<std::string_view> kNoMelds{"AC", "3C", "5C", "7C", "9C", "JC", "KC", "2D", "4D", "6D", "8D", "10D", "QD"};

// With a 640-pixel client area the row starts at x 12; columns are 91 apart.
constexpr int ColumnX(int column) { return 12 + 91 * column; }

struct Game : ::testing::Test {
    Board& Start(std::unique_ptr<Deck> deck = nullptr) { SeedRandom(1); return host.NewBoard(std::move(deck)); }
    Board& board() { return *host.board; }
    const CardSprite& Falling() { return board().GetDeck().Sprite(); }
    int Count(int column) { return board().GetStackRow().CardCount(column); }
    void Repeat(int n, void (Board::*action)()) { while (n-- > 0) { (board().*action)(); } }
    void MoveTo(int column) { while (board().GetColumn() != column) { board().GetColumn() < column ? board().MoveRight() : board().MoveLeft(); } }

    struct Text { int x, y; std::string text; };
    int TextWidth(const std::string& text) { return host.dc.GetTextExtent(text)->cx; }

    // Whether the band of rows [top, top + text height) shows exactly these
    // texts on the background and nothing else.
    bool BandShows(int top, const std::vector<Text>& texts)
    {
        test::TestTable expected;
        expected.dc.SetTextColor(static_cast<ColorRef>(settings.ForegroundColor));
        expected.dc.SetBkColor(static_cast<ColorRef>(settings.BackgroundColor));
        for (const Text& text : texts) { expected.dc.TextOut(text.x, text.y, text.text); }
        const int bottom = top + expected.dc.GetTextExtent("0")->cy;
        const auto band = [&](const Bitmap& b) { return std::vector(b.Data().begin() + top * 640, b.Data().begin() + bottom * 640); };
        return band(host.screen.image) == band(expected.screen.image);
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

// A new card comes over the middle column, or with LastStack over the column
// the last card landed on. A swap replaces the falling card where it is.
TEST_F(Game, DealsOverTheMiddleColumnSwapsInPlaceAndLandsAfterTwentyFourTicks)
{
    std::tie(settings.OneDeck, settings.SwapMode) = std::tuple(0, 2);
    for (const int lastStack : {1, 0}) {
        settings.LastStack = lastStack;
        Start();
        board().Tick();
        board().Swap();
        EXPECT_EQ(std::pair(Falling().GetX(), Falling().GetY()), std::pair(ColumnX(3), 32));
        Repeat(22, &Board::Tick);
        EXPECT_EQ(Count(3), 0);
        board().Tick();
        EXPECT_EQ(Count(3), 1);
        MoveTo(5);
        board().Drop();
        EXPECT_EQ(board().GetColumn(), lastStack ? 5 : 3);
        EXPECT_EQ(std::pair(Falling().GetX(), Falling().GetY()), std::pair(ColumnX(board().GetColumn()), 20));
    }
}

TEST_F(Game, MovesStopAtTheEdgesAndAtStacksThatReachPastTheCard)
{
    settings.LastStack = 0;
    Start(test::DeckOf(kNoMelds));
    Repeat(4, &Board::MoveLeft);
    EXPECT_EQ(board().GetColumn(), 0);
    for (int i = 0; i < 12; ++i) {
        MoveTo(2);
        host.sleeps.clear();
        board().Drop();
        // The fourth falls 216 pixels onto three cards: 20, 68, 116, 164, 212, then 236.
        EXPECT_TRUE(i != 3 || host.sleeps == std::vector<int>(5, 10)) << "drops in steps of 48 pixels";
    }
    board().MoveLeft(); // level with the twelve cards: lands at once
    EXPECT_EQ(Count(2), 13);
    board().MoveLeft(); // the stack now reaches past a new card
    EXPECT_EQ(board().GetColumn(), 3);
}

// An ace, then three kings landing: 1 point each, then the meld's 30, all
// times the level's multiplier, the meld's points also shown. Each level with
// speed-up takes 200 ms off the drop interval, then a quarter, and after 63 ms
// starts again; without it every level plays and scores as the first. With
// ClearStacks a level's end clears the stacks at the cost of their value,
// even below zero.
TEST_F(Game, EachLevelSpeedsUpScoresMoreAndMayClearTheStacks)
{
    for (const auto& [faster, clear, score, intervals] : std::vector<std::tuple<int, int, int, std::vector<int>>>{
             {1, 0, 1 + 3 + 45, {600, 400}}, {0, 1, 1 - 15 + 3 + 30, std::vector<int>(5, 800)},
             {1, 1, 1 - 15 + 3 * 3 + 97, {600, 400, 200, 150, 112, 84, 63, 200, 150}}}) {
        std::tie(settings.GetFaster, settings.ClearStacks) = std::tuple(faster, clear);
        Start(test::DeckDealing({"AC", "KC", "KD", "KS"})).Drop();
        std::vector<int> seen;
        while (seen.size() < intervals.size()) { board().AdvanceLevel(); seen.push_back(host.window.timers.at(kDropTimer)); }
        EXPECT_EQ(seen, intervals);
        Repeat(3, &Board::Drop);
        EXPECT_EQ(std::tuple(board().GetScore(), board().GetLevel(), Count(3)),
                  std::tuple(score, static_cast<int>(intervals.size()), clear ? 0 : 1)) << "GetFaster " << faster;
    }
    EXPECT_EQ(std::pair(host.levelAdvances, board().GetStackPoints(3)), std::pair(2 + 5 + 9, 97));
}

// Whole games, from the first deal to each way a game can end: a new card
// without room (0), the deck run out (1), and three kings that collapse on
// their own, go back into the deck and are the whole rest of it again, the
// 32nd time that is found (2). 93 landings of 1 point; 17 melds of 30 at
// level 0 and 14 of trunc(30 x 1.25) = 37 once the 52nd card has passed a level.
// That level advances before the next card is placed, and that card is placed
// as every other.
TEST_F(Game, EndsWhenANewCardHasNoRoomTheDeckRunsOutOrTheRestKeepsFormingOneMeld)
{
    host.window.onCommand = [&](int id) {
        ASSERT_EQ(id, CommandLevelComplete);
        EXPECT_EQ(Falling().GetX(), 0) << "not yet placed";
        board().AdvanceLevel();
    };
    for (const auto& [oneDeck, endOnShuffle, cards, landings, reason, score, level] :
         std::vector<std::tuple<int, int, std::vector<std::string_view>, int, GameOverReason, int, int>>{
             {1, 0, kNoMelds, 12, GameOverReason::NoRoom, 12, 0},
             {2, 1, {"2C", "9D"}, 2, GameOverReason::OutOfCards, 2, 0},
             {2, 1, {"KC", "KD", "KH"}, 93, GameOverReason::EndlessMatch, 93 + 17 * 30 + 14 * 37, 1}}) {
        std::tie(settings.OneDeck, settings.EndOnShuffle) = std::tuple(oneDeck, endOnShuffle);
        Start(test::DeckOf(cards));
        int dropped = 0;
        for (; host.gameOverReasons.empty() && dropped < 200; ++dropped) {
            ASSERT_EQ(std::pair(Falling().GetY(), Falling().GetCard() != nullptr), std::pair(20, true)) << dropped;
            board().Drop();
        }
        EXPECT_EQ(std::tuple(dropped, host.gameOverReasons, board().GetScore(), board().GetLevel(), board().GetCardsThisLevel()),
                  std::tuple(landings, std::vector{reason}, score, level, landings % 52));
        EXPECT_TRUE(reason != GameOverReason::OutOfCards || board().GetDeck().RemainingCount() == -1) << "the status line reads 0";
        host.gameOverReasons.clear();
    }
}

// The status line and the points of a meld, over the same game.
using StatusLine = Game;

// With a pile the deck count stands flush with the row's right edge.
TEST_F(StatusLine, ShowsTheScoreAtTheRowsLeftAndTheDeckAtItsRight)
{
    const std::string deck = "     Cards in deck: 52";
    for (const int oneDeck : {1, 0}) {
        settings.OneDeck = oneDeck;
        EXPECT_EQ(Start().GetRowRect(), (Rect{12, 308, 629, 404}));
        const std::vector<Text> score{{12, 0, "Score: 0     "}}, withDeck{score[0], {629 - TextWidth(deck), 0, deck}};
        EXPECT_TRUE(BandShows(0, oneDeck != 0 ? withDeck : score)) << "OneDeck " << oneDeck;
    }
    // A shorter score leaves no stray digit.
    for (const int points : {1000, -1}) { board().AddScore(points); board().PaintStatus(host.dc, false); }
    EXPECT_TRUE(BandShows(0, {{12, 0, "Score: 999     "}}));
}

// Points stand centred under their column's lowest card for six ticks and
// are gone at the seventh; upside down the stacks hang from y 20, so the
// second card lies at 116 + 24.
TEST_F(StatusLine, PointsStandUnderTheLowestCardUntilTheyExpire)
{
    for (const auto& [upDown, dealt, y, points] : std::vector<std::tuple<int, std::vector<std::string_view>, int, std::string>>{
             {1, {"QC", "QD", "QS"}, 408, "30 pts"}, {-1, {"5H", "2C", "8C", "8D", "8S"}, 116 + 24 + 4, "15 pts"}}) {
        settings.UpDown = upDown;
        Start(test::DeckDealing(dealt));
        Repeat(static_cast<int>(dealt.size()), &Board::Drop);
        const std::vector<Text> shown{{ColumnX(3) + 71 / 2 - TextWidth(points) / 2, y, points}};
        for (int ticks = 0; ticks <= 7; ++ticks, board().Tick()) {
            EXPECT_TRUE(BandShows(y, ticks < 7 ? shown : std::vector<Text>{})) << points << " after " << ticks << " ticks";
        }
    }
}

TEST_F(StatusLine, PicturesOfAGameInProgressAndOfAGameJustOver)
{
    SeedRandom(3);
    host.NewBoard();
    for (int card = 0; card < 20 && !host.IsGameOver(); ++card) { MoveTo(card * 3 % 7); board().Drop(); }
    EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath("game-in-progress.png")));
    settings.LastStack = 0;
    host.NewBoard();
    while (!host.IsGameOver()) { board().Drop(); }
    host.PaintWindow();
    EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath("game-over.png")));
}

} // namespace
} // namespace tw
