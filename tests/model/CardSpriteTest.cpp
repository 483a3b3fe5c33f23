#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "model/CardSprite.h"
#include "model/Stack.h"
#include "support/SettingsScope.h"
#include "support/TestTable.h"

namespace tw {
namespace {

// The sprite moves over a busy playfield: a stack of cards and the markers of
// empty stacks, so restored pixels are checked against real content.
class FallingCard : public ::testing::Test {
protected:
    FallingCard()
    {
        stack.SetPosition(200, 300);
        for (const CardCode code : {12, 25, 38}) {
            stack.PushCard(std::make_unique<Card>(code));
        }
        stack.Draw(table.gameDc);
        empty.SetPosition(291, 300);
        empty.Draw(table.gameDc);
        sprite.SetCard(std::make_unique<Card>(51));
        sprite.SetPosition(230, 200);
        table.screen.presented.clear();
    }

    bool ScreenIs(const Bitmap& picture) const { return table.screen.image.HasSamePixels(picture); }

    test::SettingsScope scope;
    test::TestTable table;
    Stack stack;
    Stack empty;
    CardSprite sprite;
};

// Whatever the sprite does, it holds one save-under bitmap at most and gives
// back the playfield bit for bit; a second Show keeps the first pixels saved.
TEST_F(FallingCard, LeavesThePlayfieldAsItWasAndHoldsOneBitmapAtMost)
{
    const Bitmap before = table.Snapshot();
    const int bitmaps = Bitmap::LiveCount();
    sprite.Erase(table.gameDc);
    EXPECT_TRUE(table.screen.presented.empty()) << "nothing saved, nothing drawn";
    sprite.Show(table.gameDc);
    sprite.Show(table.gameDc);
    EXPECT_FALSE(ScreenIs(before));
    for (int step = 0; step < 24; ++step) {
        sprite.MoveBy(0, 12, &table.gameDc);
        EXPECT_EQ(Bitmap::LiveCount(), bitmaps + 1);
    }
    sprite.MoveBy(91, 0, &table.gameDc);
    sprite.MoveTo(-30, 400, &table.gameDc); // partly outside the client area
    sprite.MoveTo(250, 260, &table.gameDc);
    sprite.Erase(table.gameDc);
    EXPECT_TRUE(ScreenIs(before));
    EXPECT_FALSE(sprite.IsSaved());
    EXPECT_EQ(Bitmap::LiveCount(), bitmaps);
}

TEST_F(FallingCard, RedrawAfterASwapShowsTheNewCardOverTheSavedPixels)
{
    const Bitmap before = table.Snapshot();
    sprite.Show(table.gameDc);
    sprite.SetCard(std::make_unique<Card>(0));
    sprite.Redraw(table.gameDc);
    const Bitmap swapped = table.Snapshot();
    table.painter.Draw(table.dc, 230, 200, 51, FaceUp, 54, false); // scribble over it
    sprite.Erase(table.gameDc);
    EXPECT_TRUE(ScreenIs(before));
    sprite.Show(table.gameDc);
    EXPECT_TRUE(ScreenIs(swapped));
}

// The card stays pictured where it lies, and the save-under goes with it.
TEST_F(FallingCard, TakingTheCardLeavesItsImageWhereItLies)
{
    sprite.Show(table.gameDc);
    const Bitmap shown = table.Snapshot();
    const int bitmaps = Bitmap::LiveCount();
    const std::unique_ptr<Card> card = sprite.TakeCard();
    ASSERT_TRUE(card);
    EXPECT_EQ(card->GetCode(), 51);
    EXPECT_EQ(sprite.GetCard(), nullptr);
    EXPECT_FALSE(sprite.IsSaved());
    EXPECT_EQ(Bitmap::LiveCount(), bitmaps - 1);
    table.screen.presented.clear();
    sprite.Erase(table.gameDc);
    EXPECT_TRUE(ScreenIs(shown));
    EXPECT_TRUE(table.screen.presented.empty());
}

TEST_F(FallingCard, MovesWithoutDrawingWhenGivenNoContext)
{
    sprite.MoveTo(10, 20, nullptr);
    sprite.MoveBy(5, -4, nullptr);
    EXPECT_EQ(std::pair(sprite.GetX(), sprite.GetY()), std::pair(15, 16));
    EXPECT_TRUE(table.screen.presented.empty());
}

TEST(FallingCardAtScaleTwo, RestoresEveryDevicePixel)
{
    test::SettingsScope scope;
    test::TestTable table(300, 200, 2);
    Stack stack;
    stack.SetPosition(20, 40);
    stack.PushCard(std::make_unique<Card>(7));
    stack.Draw(table.gameDc);
    const Bitmap before = table.Snapshot();
    CardSprite sprite;
    sprite.SetCard(std::make_unique<Card>(44));
    sprite.SetPosition(50, 10);
    sprite.Show(table.gameDc);
    sprite.MoveBy(0, 48, &table.gameDc);
    sprite.Erase(table.gameDc);
    EXPECT_TRUE(table.screen.image.HasSamePixels(before));
}

} // namespace
} // namespace tw
