#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "model/Board.h"
#include "model/Random.h"
#include "support/DeckBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

struct Text { int x, y; std::string text; };

class StatusLine : public ::testing::Test {
protected:
    StatusLine() { SeedRandom(7); }

    Board& Start(const std::vector<std::string_view>& dealingOrder = {})
    {
        return dealingOrder.empty() ? host.NewBoard() : host.NewBoard(test::DeckDealing(dealingOrder));
    }

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
        const int bottom = top + dc.GetTextExtent("0")->cy;
        const auto band = [&](const Bitmap& b) { return std::vector(b.Data().begin() + top * 640, b.Data().begin() + bottom * 640); };
        return band(host.window.surface.image) == band(expected.image);
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

// With a pile the deck count stands flush with the row's right edge.
TEST_F(StatusLine, ShowsTheScoreAtTheRowsLeftAndTheDeckAtItsRight)
{
    const std::string deck = "     Cards in deck: 52";
    for (const int oneDeck : {1, 0}) {
        settings.OneDeck = oneDeck;
        EXPECT_EQ(Start().GetRowRect(), (Rect{12, 308, 629, 404}));
        std::vector<Text> texts{{12, 0, "Score: 0     "}};
        if (oneDeck != 0) {
            texts.push_back({629 - TextWidth(deck), 0, deck});
        }
        EXPECT_TRUE(BandShows(0, texts)) << "OneDeck " << oneDeck;
    }
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

// Points stand centred under their column's lowest card until they expire;
// upside down the stacks hang from y 20, so the second card lies at 116 + 24.
TEST_F(StatusLine, PointsStandUnderTheLowestCardUntilTheyExpire)
{
    for (const auto& [upDown, dealt, y, points] : std::vector<std::tuple<int, std::vector<std::string_view>, int, std::string>>{
             {1, {"QC", "QD", "QS"}, 408, "30 pts"}, {-1, {"5H", "2C", "8C", "8D", "8S"}, 116 + 24 + 4, "15 pts"}}) {
        settings.UpDown = upDown;
        Board& board = Start(dealt);
        for (std::size_t i = 0; i < dealt.size(); ++i) {
            board.Drop();
        }
        EXPECT_TRUE(BandShows(y, {{12 + 3 * 91 + 71 / 2 - TextWidth(points) / 2, y, points}})) << points;
        for (int tick = 0; tick < 7; ++tick) {
            board.Tick();
        }
        EXPECT_TRUE(BandShows(y, {}));
    }
}

TEST_F(StatusLine, PicturesOfAGameInProgressAndOfAGameJustOver)
{
    SeedRandom(3);
    Board& board = Start();
    for (int card = 0; card < 20 && !host.IsGameOver(); ++card) {
        while (board.GetColumn() != card * 3 % 7) {
            board.GetColumn() < card * 3 % 7 ? board.MoveRight() : board.MoveLeft();
        }
        board.Drop();
    }
    EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath("game-in-progress.png")));
    settings.LastStack = 0;
    Start();
    while (!host.IsGameOver()) {
        host.board->Drop();
    }
    host.PaintWindow();
    EXPECT_TRUE(host.window.surface.image.SavePng(test::TestOutputPath("game-over.png")));
}

} // namespace
} // namespace tw
