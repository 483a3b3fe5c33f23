#include <gtest/gtest.h>

#include "platform/DialogHelpers.h"
#include "shell/SmallDialogs.h"
#include "support/FakeDialog.h"
#include "support/SettingsScope.h"
#include "support/SoundRecorder.h"

namespace tw {
namespace {

using test::FakeDialog;

TEST(DialogHelpers, CenterOnParentTruncatesTowardZeroAndMayLeaveTheScreen)
{
    // Where a 51 x 31 dialog at 7, 9 goes.
    const std::pair<std::optional<Rect>, Point> cases[] = {
        {Rect{10, 20, 111, 221}, {35, 105}},   // 121 / 2 - 51 / 2, 241 / 2 - 31 / 2
        {Rect{-301, -101, 0, 0}, {-175, -65}}, // -301 / 2 is -150, not -151
        {std::nullopt, {7, 9}},
    };
    for (const auto& [owner, expected] : cases) {
        FakeDialog dialog;
        dialog.window = Rect::FromSize(7, 9, 51, 31);
        dialog.owner = owner;
        CenterOnParent(dialog);
        EXPECT_EQ(dialog.window, Rect::FromSize(expected.x, expected.y, 51, 31));
    }
}

TEST(DialogHelpers, ItemTextFitsTheBufferWithoutSplittingACharacter)
{
    FakeDialog dialog;
    dialog.items[7].text = "Zo\xC3\xAB's deck"; // the diaeresis takes two bytes
    for (const auto& [size, text] : {std::pair{256, "Zo\xC3\xAB's deck"}, {5, "Zo\xC3\xAB"}, {4, "Zo"}, {1, ""}}) {
        EXPECT_EQ(GetItemText(dialog, 7, size), text) << size;
    }
    EXPECT_EQ(GetItemText(dialog, 8, 256), "");

    SetItemNumber(dialog, 7, -5);
    EXPECT_EQ(dialog.items[7].text, "-5");
}

TEST(SmallDialogs, WelcomeAndAboutCentreAndEndOnOkOrCancelOnly)
{
    WelcomeDialog welcome;
    AboutDialogHandler about;
    for (DialogHandler* handler : std::initializer_list<DialogHandler*>{&welcome, &about}) {
        for (const int id : {IdOk, IdCancel}) {
            FakeDialog dialog;
            dialog.items[IdOk].enabled = false;
            dialog.owner = Rect::FromSize(100, 100, 400, 300);
            EXPECT_TRUE(handler->OnInitDialog(dialog));
            EXPECT_EQ(dialog.window.left, 200);
            EXPECT_FALSE(handler->OnCommand(dialog, 1061));
            EXPECT_TRUE(handler->OnCommand(dialog, id));
            EXPECT_EQ(dialog.ended, id);
            if (handler == &welcome) {
                EXPECT_TRUE(dialog.IsItemEnabled(IdOk));
                EXPECT_EQ(dialog.FocusedItem(), IdOk);
            }
        }
    }
}

// Beep only switches the tones on or off. The timer closes the popup, with
// the sound off too as the on-screen test shows; Esc closes it at once.
TEST(SmallDialogs, LevelAdvancePlaysItsTonesAndClosesOnItsTimerOrAKey)
{
    for (const int beep : {1, 0}) {
        test::SettingsScope scope([beep](Settings& s) { s.Beep = beep; });
        test::SoundRecorder sound;
        LevelAdvanceHandler handler(sound);
        FakeDialog dialog;
        EXPECT_TRUE(handler.OnInitDialog(dialog));
        EXPECT_EQ(dialog.timers, (std::map<int, int>{{2, 1000}}));
        ASSERT_EQ(sound.tones.size(), 25u);
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(sound.tones[static_cast<std::size_t>(i)], (test::Tone{880 + 40 * i, 5, beep}));
        }
        EXPECT_FALSE(handler.OnCommand(dialog, 3));
        if (beep) {
            EXPECT_TRUE(handler.OnTimer(dialog, 2));
            EXPECT_FALSE(dialog.ended) << "the close waits in the queue";
            dialog.DeliverPosted(handler);
        } else {
            EXPECT_TRUE(handler.OnCommand(dialog, IdCancel));
        }
        EXPECT_EQ(dialog.ended, beep ? IdOk : IdCancel);
        EXPECT_TRUE(dialog.timers.empty());
    }
}

} // namespace
} // namespace tw
