#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "model/CardSprite.h"
#include "model/Stack.h"
#include "support/CardBuilders.h"
#include "support/SettingsScope.h"
#include "support/TestTable.h"

namespace tw {
namespace {

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

    test::SettingsScope scope;
    test::TestTable table;
    std::unique_ptr<Stack> stack = test::StackFromTop({"KD", "KH", "KS"});
    Stack empty;
    CardSprite sprite;
};

// Moves without a context draw nothing. Whatever else the sprite does, at
// either scale, it holds one save-under bitmap at most and gives back the
// playfield bit for bit; a second Show keeps the first pixels saved.
TEST(FallingCard, LeavesThePlayfieldAsItWasAndHoldsOneBitmapAtMost)
{
    for (const int scale : {1, 2}) {
        Playfield f(scale);
        const Bitmap before = f.table.Snapshot();
        const int bitmaps = Bitmap::LiveCount();
        f.sprite.MoveTo(220, 204, nullptr);
        f.sprite.MoveBy(10, -4, nullptr);
        EXPECT_EQ(std::pair(f.sprite.GetX(), f.sprite.GetY()), std::pair(230, 200));
        f.sprite.Erase(f.table.gameDc);
        EXPECT_TRUE(f.table.screen.presented.empty()) << "nothing saved, nothing drawn";
        f.sprite.Show(f.table.gameDc);
        f.sprite.Show(f.table.gameDc);
        for (int step = 0; step < 24; ++step) {
            f.sprite.MoveBy(0, 12, &f.table.gameDc);
        }
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps + 1);
        f.sprite.MoveTo(-30, 400, &f.table.gameDc); // partly outside the client area
        f.sprite.Erase(f.table.gameDc);
        EXPECT_TRUE(f.ScreenIs(before)) << "scale " << scale;
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps) << "the save-under is let go";
    }
}

// A swapped card is redrawn over the pixels saved for the first. Taking the
// card leaves it pictured where it lies, and the save-under goes with it.
TEST(FallingCard, ASwapRedrawsOverTheSavedPixelsAndATakenCardStaysPictured)
{
    Playfield f;
    const Bitmap before = f.table.Snapshot();
    f.sprite.Show(f.table.gameDc);
    f.sprite.SetCard(std::make_unique<Card>(0));
    f.sprite.Redraw(f.table.gameDc);
    const Bitmap swapped = f.table.Snapshot();
    f.table.painter.Draw(f.table.dc, 230, 200, 51, FaceUp, 54, false); // scribble over it
    f.sprite.Erase(f.table.gameDc);
    EXPECT_TRUE(f.ScreenIs(before));
    f.sprite.Show(f.table.gameDc);
    EXPECT_TRUE(f.ScreenIs(swapped));

    const int bitmaps = Bitmap::LiveCount();
    const std::unique_ptr<Card> card = f.sprite.TakeCard();
    EXPECT_EQ(card ? card->GetCode() : -1, 0);
    EXPECT_FALSE(f.sprite.GetCard() || f.sprite.IsSaved());
    EXPECT_EQ(Bitmap::LiveCount(), bitmaps - 1);
    f.sprite.Erase(f.table.gameDc);
    EXPECT_TRUE(f.ScreenIs(swapped));
}

} // namespace
} // namespace tw
