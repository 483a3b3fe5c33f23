#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "model/Board.h"
#include "model/CardSprite.h"
#include "model/Deck.h"
#include "model/KeptGame.h"
#include "model/Random.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "support/CardBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"
#include "support/TestTable.h"

namespace tw {
namespace {

using test::Tone;

constexpr int kX = 300;
constexpr int kY = 300;

// The column drawn by hand, bottom first: the empty-slot marker, then each
// card one step further from the base, overlapping the one beneath.
Bitmap ByHand(std::span<const std::string_view> fromTop)
{
    test::TestTable byHand;
    byHand.painter.Draw(byHand.dc, kX, kY, 3, EmptySlot, 54, true);
    for (int i = 0; i < static_cast<int>(fromTop.size()); ++i) {
        byHand.painter.Draw(byHand.dc, kX, kY - 24 * i * settings.UpDown, test::Code(fromTop.rbegin()[i]), FaceUp, 54, true);
    }
    return byHand.Snapshot();
}

// Device pixels that differ, other than in the corners of the stack's cards,
// where a repainted card shows what lay beneath its rounded corners at that
// moment.
int DifferencesAwayFromCorners(const Bitmap& shown, const Bitmap& expected)
{
    int differences = 0;
    for (int y = 0; y < 460; ++y) {
        for (int x = 0; x < 640; ++x) {
            const int dy = ((y - kY) % 24 + 24) % 24;
            const bool corner = (x - kX < 4 || x - kX >= 67) && (dy < 4 || dy >= 20);
            differences += !corner && shown.GetPixel(x, y) != expected.GetPixel(x, y);
        }
    }
    return differences;
}

// A stack is drawn each card one step further from the base, in either
// orientation. A collapse plays rising tones, one a card, that only wait with
// the sound off; the stack is then repainted as it now is, down to the
// empty-slot marker, and the cards go back into a deck that takes them back.
TEST(StackOnScreen, DrawsTheCardsAndACollapsePlaysRisingTonesScoresAndRepairsTheScreen)
{
    test::SettingsScope scope;
    test::TestTable table;
    for (const auto& [beep, upDown, oneDeck, fromTop, n, tones] : std::vector<std::tuple<int, int, int, std::vector<std::string_view>, int, std::vector<Tone>>>{
             {1, 1, 2, {"7C", "7D", "7H", "KS"}, 3, {{220, 200, 1}, {330, 170, 1}, {440, 150, 1}}},
             {1, -1, 1, {"QH", "QD", "QC"}, 3, {{220, 200, 1}, {330, 170, 1}, {440, 150, 1}}},
             {0, 1, 0, {"AS", "2S", "3S", "4S", "5S", "6S", "7S"}, 7,
              {{220, 200, 0}, {330, 170, 0}, {440, 150, 0}, {550, 135, 0}, {660, 125, 0}, {770, 116, 0}, {880, 110, 0}}}}) {
        SCOPED_TRACE(::testing::Message() << "UpDown " << upDown << ", " << fromTop.size() << " cards");
        std::tie(settings.Beep, settings.UpDown, settings.OneDeck) = std::tuple(beep, upDown, oneDeck);
        table.Clear();
        const std::unique_ptr<Stack> stack = test::StackFromTop(fromTop); // as a player reads it, top card first
        stack->SetPosition(kX, kY);
        stack->Draw(table.gameDc);
        table.sound.tones.clear();
        EXPECT_TRUE(table.screen.image.HasSamePixels(ByHand(fromTop)));
        Deck deck;
        EXPECT_EQ(stack->Collapse(table.gameDc, n, &deck), test::StackFromTop(fromTop)->MeldPoints(n));
        EXPECT_EQ(std::pair(deck.RemainingCount(), table.sound.tones), std::pair(oneDeck == 2 ? n : 0, tones));
        const Bitmap rest = ByHand(std::span(fromTop).subspan(static_cast<std::size_t>(n)));
        EXPECT_EQ(DifferencesAwayFromCorners(table.screen.image, rest), 0);
        EXPECT_TRUE(stack->GetCount() > 0 || table.screen.image.HasSamePixels(rest));
    }
}

// The row only passes melds, landings and collapses on to the column's stack;
// its own work is the layout and clearing every stack. Where the columns and
// the row's rectangle stand the board's tests see; here, how high the stacks
// and the deal are. Upside down the stacks hang from the top and the deal comes below them.
// Each card on a stack lands one step further from its base; seen from the
// deal height the distance is 0 at twelve cards, where no card fits.
// Clearing sounds a low tone for every card, an ace costing 15, a ten or
// higher 10 and any other 5; an empty stack neither sounds nor costs
// anything. The markers of the emptied stacks are redrawn.
TEST(Row, LaysOutLandsAndClearsItsSevenColumnsAndReachesNothingBeyondThem)
{
    test::SettingsScope scope;
    test::TestTable table;
    StackRow row{71, 96};
    row.CreateStacks();
    using Case = std::array<int, 4>; // UpDown, client top, stack y, column filled
    for (const auto& [upDown, top, stackY, filled] : {Case{1, 0, 308, 0}, Case{-1, 50, 70, 6}}) {
        settings.UpDown = upDown;
        const RowLayout layout = row.Layout(Rect{0, top, 630, 400});
        for (int n = 0; n <= 13; ++n) {
            EXPECT_EQ(std::pair(row.LandingY(filled), row.DistanceToLanding(0, layout.dealY, filled)),
                      std::pair(stackY - 24 * n * upDown, 288 - 24 * n)) << n << " cards";
            row.PushCard(filled, std::make_unique<Card>(n * 4 % 52)); // every rank, then an ace
        }
    }
    EXPECT_EQ(row.ClearAll(table.gameDc), 2 * (2 * 15 + 8 * 5 + 4 * 10));
    EXPECT_EQ(std::tuple(table.sound.tones, row.CardCount(0), row.CardCount(6)), std::tuple(std::vector<Tone>(28, {120, 50, 1}), 0, 0));
    test::TestTable expected;
    row.DrawAll(expected.gameDc);
    EXPECT_TRUE(table.screen.image.HasSamePixels(expected.Snapshot()));
    EXPECT_TRUE(!row.GetStack(7) && !row.GetStack(-1) && row.CardCount(9) == 0 && row.DistanceToLanding(0, 0, -1) < 0)
        << "nothing lies or lands beside the row";
    // Centring divisions truncate toward zero: (-1 + 0) / 2 is 0 here, not -1.
    settings.UpDown = 1;
    EXPECT_EQ(row.Layout(Rect{0, 0, 631, 400}).rowRect.left, 7);
    EXPECT_EQ(row.Layout(Rect{-1, 0, 0, 400}).rowRect.left, 0 - 248 - 60);
}

// The sprite moves over a busy playfield: a stack of cards and the marker of
// an empty stack, so restored pixels are checked against real content.
struct Playfield {
    explicit Playfield(int scale = 1) : table(640, 460, scale)
    {
        stack->SetPosition(200, 300);
        stack->Draw(table.gameDc);
        empty.SetPosition(291, 300);
        empty.Draw(table.gameDc);
        sprite.SetCard(std::make_unique<Card>(51));
        sprite.SetPosition(230, 200);
        table.screen.presented.clear();
    }

    bool ScreenIs(const Bitmap& picture) const { return table.screen.image.HasSamePixels(picture); }
    bool ErasingLeaves(const Bitmap& picture) { sprite.Erase(table.gameDc); return ScreenIs(picture); }
    const Bitmap& ShownAt(int x, int y) { sprite.SetPosition(x, y); sprite.Show(table.gameDc); return table.screen.image; }

    test::SettingsScope scope;
    test::TestTable table;
    std::unique_ptr<Stack> stack = test::StackFromTop({"KD", "KH", "KS"});
    Stack empty;
    CardSprite sprite;
};

// Moves without a context draw nothing. Whatever else the sprite does, at
// any scale, it holds one save-under bitmap at most and gives back the
// playfield bit for bit; after every step the screen is what Erase then Show
// would give, rounded corners included; a second Show keeps the first pixels
// saved. A swapped card is redrawn over the pixels saved for the first. Taking
// the card leaves it pictured where it lies, and the save-under goes with it.
TEST(FallingCard, LeavesThePlayfieldAsItWasRedrawsASwapAndHoldsOneBitmapAtMost)
{
    for (const int scale : {1, 4}) {
        SCOPED_TRACE(scale);
        Playfield f(scale), shownAfresh(scale);
        const Bitmap before = f.table.Snapshot();
        const int bitmaps = Bitmap::LiveCount();
        f.sprite.MoveTo(220, 204, nullptr);
        f.sprite.MoveBy(10, -4, nullptr);
        EXPECT_EQ(std::pair(f.sprite.GetX(), f.sprite.GetY()), std::pair(230, 200));
        f.sprite.Erase(f.table.gameDc);
        EXPECT_TRUE(f.table.screen.presented.empty()) << "nothing saved, nothing drawn";
        f.sprite.Show(f.table.gameDc);
        f.sprite.Show(f.table.gameDc);
        // Down over the stacks, back up (the upside-down fall), up past the
        // top edge, dropping either way, and steps shorter than a corner:
        // each step reuses the saved rows it uncovers.
        for (auto [steps, dy] : {std::pair{24, 12}, {10, -7}, {2, -200}, {3, -12}, {2, 20}, {3, 48}, {3, -48}, {2, 3}, {2, -3}}) {
            for (int step = 0; step < steps; ++step) {
                f.sprite.MoveBy(0, dy, &f.table.gameDc);
                EXPECT_TRUE(f.ScreenIs(shownAfresh.ShownAt(f.sprite.GetX(), f.sprite.GetY()))) << dy << " to " << f.sprite.GetY();
                shownAfresh.sprite.Erase(shownAfresh.table.gameDc);
            }
        }
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps + 1);
        f.sprite.MoveTo(-30, 400, &f.table.gameDc); // partly outside the client area
        EXPECT_TRUE(f.ErasingLeaves(before));
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps) << "the save-under is let go";

        f.sprite.MoveTo(230, 200, nullptr);
        f.sprite.Show(f.table.gameDc);
        f.sprite.SetCard(std::make_unique<Card>(0));
        f.sprite.Redraw(f.table.gameDc);
        const Bitmap swapped = f.table.Snapshot();
        f.table.painter.Draw(f.table.dc, 230, 200, 51, FaceUp, 54, false); // scribble over it
        EXPECT_TRUE(f.ErasingLeaves(before));
        f.sprite.Show(f.table.gameDc);
        EXPECT_TRUE(f.ScreenIs(swapped));
        f.sprite.TakeCard();
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps + 1) << "the snapshot alone, no save-under";
        EXPECT_TRUE(f.ErasingLeaves(swapped));
    }
}

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
    EXPECT_TRUE(ParseKeptGame(KeptGameText(board().Keep()))) << "a game that may be kept";
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
