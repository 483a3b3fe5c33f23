#include <gtest/gtest.h>

#include "platform/DialogHelpers.h"
#include "shell/SmallDialogs.h"
#include "support/FakeDialog.h"

namespace tw {
namespace {

using test::FakeDialog;

TEST(DialogHelpers, ItemTextFitsTheBufferWithoutSplittingACharacter)
{
    FakeDialog dialog;
    dialog.items[7].text = "Zo\xC3\xAB's deck"; // the diaeresis takes two bytes
    for (const auto& [size, text] : {std::pair{256, "Zo\xC3\xAB's deck"}, {5, "Zo\xC3\xAB"}, {4, "Zo"}, {1, ""}}) {
        EXPECT_EQ(GetItemText(dialog, 7, size), text) << size;
    }
    EXPECT_EQ(GetItemText(dialog, 8, 256), "");
}

// Both centre on their owner, truncating toward zero and leaving the screen if
// it does so; a 51 x 31 dialog at 7, 9 goes to the given place.
TEST(SmallDialogs, WelcomeAndAboutCentreOnTheOwnerAndEndOnOkOrCancelOnly)
{
    const std::tuple<std::optional<Rect>, Point, int> cases[] = {
        {Rect{-301, -101, 0, 0}, {-175, -65}, IdCancel}, // -301 / 2 is -150, not -151
        {std::nullopt, {7, 9}, IdOk},
    };
    WelcomeDialog welcome;
    AboutDialogHandler about;
    for (DialogHandler* handler : std::initializer_list<DialogHandler*>{&welcome, &about}) {
        for (const auto& [owner, expected, id] : cases) {
            FakeDialog dialog;
            dialog.window = Rect::FromSize(7, 9, 51, 31);
            dialog.owner = owner;
            // Braces keep the calls in order: start, a command that is not its own, then its own.
            const std::tuple handled{handler->OnInitDialog(dialog), handler->OnCommand(dialog, 1061),
                                     handler->OnCommand(dialog, id)};
            EXPECT_EQ(std::tuple(handled, dialog.window.left, dialog.window.top, dialog.ended),
                      std::tuple(std::tuple(true, false, true), expected.x, expected.y, std::optional(id == IdOk ? DialogResult::Ok : DialogResult::Cancel)));
        }
    }
}

} // namespace
} // namespace tw
