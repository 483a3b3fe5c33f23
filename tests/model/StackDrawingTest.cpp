#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "model/CardSprite.h"
#include "model/Deck.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "support/CardBuilders.h"
#include "support/SettingsScope.h"
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

} // namespace
} // namespace tw
