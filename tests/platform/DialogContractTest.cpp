#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "resources/DialogTemplates.h"
#include "platform/DialogDriver.h"

// What the dialogs built from templates do on every backend, run against the
// backend the test program is built with.
namespace tw {
namespace {

using Heard = std::vector<std::string>;
using test::Key;
using test::RecordingDialogHandler;

// What the steps end a dialog with when they leave it open.
constexpr DialogResult kLeftOpen = DialogResult::No;

DialogResult RunDialog(int templateId, RecordingDialogHandler& handler, std::vector<test::Step> steps, Window* owner = nullptr)
{
    steps.push_back([&handler] { handler.dialog->EndDialog(kLeftOpen); });
    return test::RunScripted([&] { return RunModalDialog(*FindDialogTemplate(templateId), handler, owner); },
                             std::move(steps));
}

// Dialog units in pixels: each value scaled on its own and rounded half up,
// as the dialog manager does.
int Pixels(int dialogUnits, int pixelsPerUnits, int units)
{
    return (2 * dialogUnits * pixelsPerUnits + units) / (2 * units);
}

// Every template builds into its controls in order, each where the dialog
// units put it, with its id, text, icon and style, every text shown whole in
// a font as wide as the templates were laid out for, and read by id as the
// template has it; a dialog ended in its initialisation returns the result
// given there.
TEST(DialogContract, TemplatesBuildEveryControlAtItsDialogUnitsWithItsTextWhole)
{
    for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
        SCOPED_TRACE(dialogTemplate.id);
        RecordingDialogHandler handler;
        handler.onInit = [&](Dialog& dialog) {
            const test::ShownDialog shown = test::Inspect(dialog, dialogTemplate);
            const Size units = shown.baseUnits;
            EXPECT_EQ(units.cx, 6);
            EXPECT_EQ(std::tuple(shown.title, shown.client.cx, shown.client.cy),
                      std::tuple(std::string(dialogTemplate.title), Pixels(dialogTemplate.width, units.cx, 4),
                                 Pixels(dialogTemplate.height, units.cy, 8)));
            ASSERT_EQ(shown.controls.size(), dialogTemplate.controls.size());
            for (std::size_t i = 0; i < shown.controls.size(); ++i) {
                const ControlTemplate& control = dialogTemplate.controls[i];
                Rect box = Rect::FromSize(Pixels(control.x, units.cx, 4), Pixels(control.y, units.cy, 8),
                                          Pixels(control.width, units.cx, 4), Pixels(control.height, units.cy, 8));
                if (control.kind == ControlKind::Icon) {
                    box = Rect::FromSize(box.left, box.top, 32, 32); // an icon control takes its icon's size
                } else if (control.kind == ControlKind::EtchedLine) {
                    // The system may draw a rule past the end of its box, never short of it.
                    box.right = std::max(box.right, shown.controls[i].box.right);
                }
                const test::ShownControl expected{control.id, box, std::string(control.text), control.icon,
                                                  (control.style & DefaultButton) != 0,
                                                  (control.style & TabStop) != 0, ""};
                EXPECT_EQ(shown.controls[i], expected);
                EXPECT_EQ(std::pair(dialog.GetItemText(control.id), dialog.IsReadOnly(control.id)),
                          std::pair(std::string(control.id == -1 ? "" : control.text),
                                    (control.style & ReadOnly) != 0));
            }
            dialog.EndDialog(DialogResult::Yes);
        };
        EXPECT_EQ(RunModalDialog(dialogTemplate, handler, nullptr), DialogResult::Yes);
    }
}

// Only the handler ends the dialog: one that leaves Cancel alone keeps it open.
TEST(DialogContract, EnterEscAndTheCloseBoxBecomeOkAndCancel)
{
    // Focus -1: where the dialog put it.
    struct Case { int dialog, focus; test::Step key; Heard heard; DialogResult result; bool handlerEnds = true; };
    const Case cases[] = {
        {WelcomeDialogId, -1, test::Press(Key::Enter), {"1"}, DialogResult::Ok},
        {WelcomeDialogId, -1, test::Press(Key::Escape), {"2"}, DialogResult::Cancel},
        {WelcomeDialogId, -1, test::PressCloseBox(), {"2"}, DialogResult::Cancel},
        {OptionsDialogId, 1055, test::Press(Key::KeypadEnter), {"1"}, DialogResult::Ok},
        {OptionsDialogId, 1038, test::Press(Key::Enter), {"1038"}, kLeftOpen}, // a focused button presses itself
        {LevelAdvanceDialogId, -1, test::Press(Key::Escape), {"2"}, DialogResult::Cancel}, // no buttons at all
        {AboutDialogId, -1, test::Press(Key::Enter), {"1"}, DialogResult::Ok}, // OK, though not the default button
        {HighScoreDialogId, -1, test::Press(Key::Escape), {"2"}, kLeftOpen, false},
        {HighScoreDialogId, -1, test::PressCloseBox(), {"2"}, kLeftOpen, false},
    };
    for (const Case& c : cases) {
        RecordingDialogHandler handler;
        handler.endOnOkCancel = c.handlerEnds;
        const DialogResult result = RunDialog(c.dialog, handler, {[&] { handler.dialog->SetFocus(c.focus); }, c.key});
        EXPECT_EQ(std::pair(handler.heard, result), std::pair(c.heard, c.result)) << "case " << &c - cases;
    }
}

// Alt with a mnemonic clicks its control, and so does the mouse; check boxes
// and radio buttons have changed before the handler hears of the click, and
// a radio group keeps one button checked, or none when the dialog clears it.
TEST(DialogContract, MnemonicsAndClicksSetButtonsBeforeTheHandlerHears)
{
    RecordingDialogHandler handler;
    const DialogResult result = RunDialog(OptionsDialogId, handler, {
        test::PressWithAlt('m'), test::PressWithAlt('m'), test::PressWithAlt('d'), test::PressWithAlt('c'),
        test::PressWithAlt('k'), test::Click(1055),
        [&] {
            EXPECT_FALSE(handler.dialog->IsChecked(1011));
            handler.dialog->CheckRadioButton(1008, 1011, 1007);
            EXPECT_FALSE(handler.dialog->IsChecked(1010));
        },
        test::Press(Key::Escape),
    });
    EXPECT_EQ(std::pair(result, handler.heard),
              std::pair(DialogResult::Cancel, Heard{"1055+", "1055", "1011+", "1010+", "1038", "1055+", "2"}));
}

// A read-only box takes nothing typed, and a limited one no more UTF-8 bytes
// than its limit.
TEST(DialogContract, EditBoxesKeepToReadOnlyAndToTheirLimitInBytes)
{
    RecordingDialogHandler handler;
    const DialogResult result = RunDialog(HighScoreDialogId, handler, {
        test::Type(1012, "ab"),
        [&] {
            EXPECT_EQ(handler.dialog->GetItemText(1012), "");
            handler.dialog->SetReadOnly(1013, false);
            handler.dialog->LimitText(1013, 5);
            handler.dialog->SetFocus(1013);
            EXPECT_EQ(handler.dialog->FocusedItem(), 1013);
        },
        test::Type(1013, "\u00e9ab\u00e9c"), // é is two bytes
        [&] {
            EXPECT_EQ(handler.dialog->GetItemText(1013), "\u00e9abc");
            EXPECT_FALSE(handler.dialog->IsReadOnly(1013));
        },
    });
    EXPECT_EQ(std::pair(result, handler.heard), std::pair(kLeftOpen, Heard{}));
}

// A timer ticks at its period until killed, and never after the dialog ends
// (the popup between levels closes itself by one); posted commands wait for
// the current one; a dialog that ends in its initialisation never shows.
TEST(DialogContract, TimersPostedCommandsAndDialogsThatNeverShow)
{
    RecordingDialogHandler handler;
    handler.onInit = [](Dialog& dialog) {
        dialog.SetTimer(4, 300);
        dialog.SetTimer(9, 5000);
        dialog.PostCommand(40);
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunModalDialog(*FindDialogTemplate(AboutDialogId), handler, nullptr), DialogResult::Ok);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(took >= std::chrono::milliseconds(300) && took < std::chrono::milliseconds(1500));
    EXPECT_EQ(handler.heard, (Heard{"40", "tick 4", "41", "1"}));

    bool shown = false;
    handler.onInit = [](Dialog& dialog) { dialog.EndDialog(DialogResult::Yes); };
    EXPECT_EQ(RunDialog(WelcomeDialogId, handler, {[&] { shown = true; }}), DialogResult::Yes);
    EXPECT_FALSE(shown);
}

// The owner owns the dialog, gives the rectangle to place it by, and is
// active again after it; any other Window owns nothing.
TEST(DialogContract, TheOwnerOwnsTheDialogAndIsActiveAgainAfterIt)
{
    const std::unique_ptr<test::OwnerWindow> owner = test::MakeOwnerWindow();
    RecordingDialogHandler handler;
    handler.onInit = [&](Dialog& dialog) {
        EXPECT_TRUE(owner->Owns(dialog));
        EXPECT_EQ(dialog.GetOwnerRect(), owner->Frame());
        dialog.MoveTo(-7, 9);
        EXPECT_EQ(std::pair(dialog.GetWindowRect().left, dialog.GetWindowRect().top), std::pair(-7, 9));
    };
    const test::Step firstTabStopHasTheFocus = [&] { EXPECT_EQ(handler.dialog->FocusedItem(), IdOk); };
    EXPECT_EQ(RunDialog(WelcomeDialogId, handler, {firstTabStopHasTheFocus, test::Press(Key::Enter)}, owner.get()),
              DialogResult::Ok);
    EXPECT_TRUE(owner->IsActive());

    test::FakeWindow notOfTheBackend;
    handler.onInit = [](Dialog& dialog) { EXPECT_FALSE(dialog.GetOwnerRect()); };
    EXPECT_EQ(RunDialog(WelcomeDialogId, handler, {test::Press(Key::Enter)}, &notOfTheBackend), DialogResult::Ok);
}

} // namespace
} // namespace tw
