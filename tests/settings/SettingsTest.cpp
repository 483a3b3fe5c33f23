#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <functional>

#include "platform/Dialog.h"
#include "platform/QtDialog.h"
#include "resources/DialogTemplates.h"
#include "settings/OptionsDialog.h"
#include "settings/SettingsDialogs.h"
#include "support/FakeDialog.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

using O = OptionsDialog;
using test::FakeDialog;

auto Fields(const Settings& s) { return std::bit_cast<std::array<std::int32_t, sizeof s / 4>>(s); }

FakeDialog OptionsFake() { return FakeDialog(*FindDialogTemplate(OptionsDialogId)); }

// An unknown rule set keeps the previous length, whether that is a fresh
// record's 0 or a loaded 3.
TEST(MinMeldLength, FollowsTheRuleSet)
{
    for (auto [start, regime, meld] : {std::array{0, 1, 3}, {0, 2, 3}, {0, 3, 2}, {0, 7, 0}, {3, 0, 3}, {2, 9, 2}}) {
        Settings s;
        s.minMeldLength = start;
        s.CollapseRegime = regime;
        s.DeriveMinMeldLength();
        EXPECT_EQ(s.minMeldLength, meld) << "regime " << regime << " from " << start;
    }
}

TEST(OptionsDialog, OkStoresTheWorkingCopyAndAsksForANewGameOnlyForRuleChanges)
{
    using Change = std::function<void(Settings&)>;
    const Change none = [](Settings&) {}, upsideDown = [](Settings& s) { s.UpDown = -1; };
    // Loaded settings, clicks (the last closes the dialog), result, what the record then holds.
    const std::vector<std::tuple<Change, std::vector<int>, int, Change>> cases = {
        {none, {IdOk}, 2, none},
        {none, {O::BeepBox, O::MusicBox, O::LastStackBox, O::LastStackBox, IdOk}, 2,
         [](Settings& s) { s.Beep = s.Music = 0; }},
        {none, {O::BackgroundColorButton, IdOk}, 1, [](Settings& s) { s.BackgroundColor = 0x123456; }},
        {none, {O::StuffCollapsedBox, IdOk}, 1, [](Settings& s) { s.OneDeck = 1; }},
        {upsideDown, {O::UpsideDownBox, IdOk}, 1, [](Settings& s) { s.UpDown = 1; }}, {upsideDown, {IdOk}, 2, none},
        // No radio button for it, and too far off to work out one's id.
        {[](Settings& s) { s.SwapMode = INT32_MAX; }, {IdOk}, 2, none},
        {none, {O::SwapCompanionRadio, IdOk}, 1, [](Settings& s) { s.SwapMode = 2; }},
        {none, {O::ShowWelcomeBox, IdOk}, 1, [](Settings& s) { s.ShowNagDlg = 0; }},
        // Presets leave the preferences as they are.
        {[](Settings& s) { s.Beep = 0, s.LastStack = 0, s.UpDown = -1, s.ForegroundColor = 5; },
         {O::InfinityButton, IdOk}, 1,
         [](Settings& s) { s.OneDeck = 0, s.EndOnShuffle = 0, s.GetFaster = 1, s.ClearStacks = 0, s.SwapMode = 2; }},
        {none, {O::OneDeckButton, IdOk}, 1, [](Settings& s) { s.EndOnShuffle = 1; }},
        {none, {O::PuristButton, IdOk}, 1, [](Settings& s) { s.OneDeck = 1, s.SwapMode = 4; }},
        {none, {O::EasyGoingButton, IdOk}, 1,
         [](Settings& s) { s.OneDeck = 1, s.GetFaster = 0, s.ClearStacks = 1, s.SwapMode = 1; }},
        {none, {O::PuristButton, O::BeepBox, O::ForegroundColorButton, IdCancel}, 2, none},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [loaded, clicks, result, change] = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i);
        test::SettingsScope scope(loaded);
        Settings expected = settings;
        change(expected);
        FakeDialog dialog = OptionsFake();
        dialog.pickedColour = 0x123456;
        O handler;
        EXPECT_TRUE(handler.OnInitDialog(dialog));
        EXPECT_TRUE(std::ranges::all_of(clicks, [&](int id) { return handler.OnCommand(dialog, id); }));
        EXPECT_FALSE(handler.OnCommand(dialog, 1012)); // not one of the dialog's commands
        EXPECT_EQ(std::pair(dialog.ended, Fields(settings)), std::pair(std::optional(result), Fields(expected)));
    }
}

TEST(OptionsDialog, BothPickersShareTheCustomColoursForTheWholeRun)
{
    test::SettingsScope scope;
    O handler;
    FakeDialog first = OptionsFake(), second = OptionsFake();
    handler.OnInitDialog(first);
    first.pickedCustomColour = 0xABCDEF; // mixed in the first picker, which is then cancelled
    std::ranges::for_each(std::array{int{O::ForegroundColorButton}, int{O::BackgroundColorButton}, int{IdCancel}},
                          [&](int id) { handler.OnCommand(first, id); });
    handler.OnInitDialog(second);
    handler.OnCommand(second, O::BackgroundColorButton);
    const std::array<ColorRef, 16> mixed{0xABCDEF};
    EXPECT_EQ(first.pickerOpenedWith, (std::vector<ColorRef>{0x80FF80, 0x004000}));
    EXPECT_EQ(first.customColoursSeen, (std::vector{std::array<ColorRef, 16>{}, mixed}));
    EXPECT_EQ(second.customColoursSeen, std::vector{mixed});
}

TEST(OptionsDialogOnScreen, WithoutADeckStoresOneDeckZeroAndAsksForANewGame)
{
    test::SettingsScope scope([](Settings& s) { s.EndOnShuffle = 1; });
    QTimer::singleShot(50, [] {
        QWidget* window = QApplication::activeModalWidget();
        auto& dialog = dynamic_cast<Dialog&>(*window);
        QTest::mouseClick(DialogItemWidget(dialog, O::DealFromDeckBox), Qt::LeftButton);
        // The rules below it are greyed out but keep their ticks.
        for (const int id : {O::StuffCollapsedBox, O::EndOnShuffleBox}) {
            EXPECT_EQ(std::pair(dialog.IsItemEnabled(id), dialog.IsChecked(id)), std::pair(false, true)) << id;
        }
        EXPECT_TRUE(window->grab().save(QString::fromStdString(test::TestOutputPath("options-deck-off.png").string())));
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(ShowOptionsDialog(nullptr), IdOk);
    EXPECT_EQ(std::pair(settings.OneDeck, settings.EndOnShuffle), std::pair(0, 1));
}

} // namespace
} // namespace tw
