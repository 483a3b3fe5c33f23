#include <gtest/gtest.h>

#include <memory>
#include <string>

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

struct Text {
    int x;
    int y;
    std::string text;
};

class StatusLine : public ::testing::Test {
protected:
    StatusLine() { SeedRandom(7); }

    Board& Start(const std::vector<std::string_view>& dealingOrder = {})
    {
        return dealingOrder.empty() ? host.NewBoard() : host.NewBoard(test::DeckDealing(dealingOrder));
    }

    int TextHeight() { return ClientDC(host.window.ClientArea()).GetTextExtent("0")->cy; }
    int TextWidth(const std::string& text) { return ClientDC(host.window.ClientArea()).GetTextExtent(text)->cx; }

    // Whether the band of rows [top, top + text height) shows exactly these
    // texts on the background and nothing else.
    bool BandShows(int top, const std::vector<Text>& texts)
    {
        test::FakeSurface expected(640, 460);
        ClientDC dc(expected);
        dc.FillRect(dc.ClipBox(), static_cast<ColorRef>(settings.BackgroundColor));
        dc.SetTextColor(static_cast<ColorRef>(settings.ForegroundColor));
        dc.SetBkColor(static_cast<ColorRef>(settings.BackgroundColor));
        for (const Text& text : texts) {
            dc.TextOut(text.x, text.y, text.text);
        }
        for (int y = top; y < top + TextHeight(); ++y) {
            for (int x = 0; x < 640; ++x) {
                if (host.window.surface.image.GetPixel(x, y) != expected.image.GetPixel(x, y)) {
                    ADD_FAILURE() << "first difference at " << x << "," << y;
                    return false;
                }
            }
        }
        return true;
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

TEST_F(StatusLine, ShowsTheScoreAtTheRowsLeftAndTheDeckAtItsRight)
{
    Board& board = Start();
    const Rect row = board.GetRowRect();
    EXPECT_EQ(row, (Rect{12, 308, 629, 404}));
    const std::string deck = "     Cards in deck: 52";
    EXPECT_TRUE(BandShows(0, {{12, 0, "Score: 0     "}, {629 - TextWidth(deck), 0, deck}}));
}

TEST_F(StatusLine, ShowsNoDeckCountWithRandomCards)
{
    settings.OneDeck = 0;
    Start();
    EXPECT_TRUE(BandShows(0, {{12, 0, "Score: 0     "}}));
}

TEST_F(StatusLine, AShorterScoreLeavesNoStrayDigit)
{
    settings.OneDeck = 0;
    Board& board = Start();
    ClientDC dc(host.window.ClientArea());
    board.AddScore(1000);
    board.PaintStatus(dc, false);
    board.AddScore(-1);
    board.PaintStatus(dc, false);
    EXPECT_TRUE(BandShows(0, {{12, 0, "Score: 999     "}}));
}

TEST_F(StatusLine, PointsStandUnderTheirStackUntilTheyExpire)
{
    Board& board = Start({"QC", "QD", "QS"});
    for (int i = 0; i < 3; ++i) {
        board.Drop();
    }
    const int centre = 12 + 3 * 91 + 71 / 2;
    EXPECT_TRUE(BandShows(408, {{centre - TextWidth("30 pts") / 2, 408, "30 pts"}}));
    for (int tick = 0; tick < 7; ++tick) {
        board.Tick();
    }
    EXPECT_TRUE(BandShows(408, {}));
}

TEST_F(StatusLine, UpsideDownThePointsFollowTheLowestCard)
{
    settings.UpDown = -1;
    Board& board = Start({"5H", "2C", "8C", "8D", "8S"});
    for (int i = 0; i < 5; ++i) {
        board.Drop();
    }
    ASSERT_EQ(board.GetStackRow().CardCount(3), 2);
    ASSERT_EQ(board.GetStackPoints(3), 15);
    // The stacks hang from y 20; the lower of the two cards lies 24 further down.
    const int y = 116 + 24 + 4;
    const int centre = 12 + 3 * 91 + 71 / 2;
    EXPECT_TRUE(BandShows(y, {{centre - TextWidth("15 pts") / 2, y, "15 pts"}}));
}

TEST_F(StatusLine, PicturesOfGamesInBothOrientationsAndOfAGameJustOver)
{
    for (const int upDown : {1, -1}) {
        settings.UpDown = upDown;
        SeedRandom(3);
        Board& board = Start();
        for (int card = 0; card < 20 && !host.IsGameOver(); ++card) {
            const int column = (card * 3) % 7;
            while (board.GetColumn() < column) {
                board.MoveRight();
            }
            while (board.GetColumn() > column) {
                board.MoveLeft();
            }
            board.Drop();
        }
        for (int tick = 0; tick < 5; ++tick) {
            board.Tick();
        }
        const std::string name = upDown == 1 ? "game-in-progress.png" : "game-upside-down.png";
        EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath(name)));
    }

    settings.UpDown = 1;
    settings.LastStack = 0;
    Board& board = Start();
    while (!host.IsGameOver()) {
        board.Drop();
    }
    host.PaintWindow();
    EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath("game-over.png")));
}

} // namespace
} // namespace tw
