#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "platform/Dialog.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"
#include "settings/HighScoreDialog.h"
#include "settings/HighScoreTable.h"
#include "settings/OptionsDialog.h"
#include "settings/Registry.h"
#include "support/FakeDialog.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

using O = OptionsDialog;
using test::FakeDialog, test::Fields;

FakeDialog Fake(int templateId) { return FakeDialog(*FindDialogTemplate(templateId)); }

// An unknown rule set keeps the previous length, whether that is a fresh
// record's 0 or a loaded 3.
TEST(MinMeldLength, FollowsTheRuleSet)
{
    for (auto [start, regime, meld] : {std::array{0, 1, 3}, {0, 2, 3}, {0, 3, 2}, {0, 7, 0}, {3, 0, 3}, {2, 9, 2}}) {
        Settings s{.CollapseRegime = regime, .minMeldLength = start};
        s.DeriveMinMeldLength();
        EXPECT_EQ(s.minMeldLength, meld) << "regime " << regime << " from " << start;
    }
}

TEST(OptionsDialog, OkStoresTheWorkingCopyAndAsksForANewGameOnlyForRuleChanges)
{
    using Change = std::function<void(Settings&)>;
    const Change none = [](Settings&) {}, upsideDown = [](Settings& s) { s.UpDown = -1; };
    // Loaded settings, clicks (the last closes the dialog), result, what the record then holds.
    const std::vector<std::tuple<Change, std::vector<int>, DialogResult, Change>> cases = {
        {none, {O::BeepBox, O::MusicBox, O::LastStackBox, O::LastStackBox, IdOk}, DialogResult::Cancel,
         [](Settings& s) { s.Beep = s.Music = 0; }},
        {none, {O::BackgroundColorButton, IdOk}, DialogResult::Ok, [](Settings& s) { s.BackgroundColor = 0x123456; }},
        {none, {O::StuffCollapsedBox, IdOk}, DialogResult::Ok, [](Settings& s) { s.OneDeck = 1; }},
        {none, {O::LastStackBox, IdOk}, DialogResult::Ok, [](Settings& s) { s.LastStack = 0; }},
        {upsideDown, {O::UpsideDownBox, IdOk}, DialogResult::Ok, [](Settings& s) { s.UpDown = 1; }}, {upsideDown, {IdOk}, DialogResult::Cancel, none},
        // No radio button for it, and too far off to work out one's id.
        {[](Settings& s) { s.SwapMode = INT32_MAX; }, {IdOk}, DialogResult::Cancel, none},
        {none, {O::SwapCompanionRadio, IdOk}, DialogResult::Ok, [](Settings& s) { s.SwapMode = 2; }},
        {none, {O::ShowWelcomeBox, IdOk}, DialogResult::Ok, [](Settings& s) { s.ShowNagDlg = 0; }},
        // Presets leave the preferences as they are.
        {[](Settings& s) { s.Beep = 0, s.LastStack = 0, s.UpDown = -1, s.ForegroundColor = 5; },
         {O::InfinityButton, IdOk}, DialogResult::Ok,
         [](Settings& s) { s.OneDeck = 0, s.EndOnShuffle = 0, s.GetFaster = 1, s.ClearStacks = 0, s.SwapMode = 2; }},
        {none, {O::OneDeckButton, IdOk}, DialogResult::Ok, [](Settings& s) { s.EndOnShuffle = 1; }},
        {none, {O::PuristButton, IdOk}, DialogResult::Ok, [](Settings& s) { s.OneDeck = 1, s.SwapMode = 4; }},
        {none, {O::EasyGoingButton, IdOk}, DialogResult::Ok,
         [](Settings& s) { s.OneDeck = 1, s.GetFaster = 0, s.ClearStacks = 1, s.SwapMode = 1; }},
        {none, {O::PuristButton, O::BeepBox, O::ForegroundColorButton, IdCancel}, DialogResult::Cancel, none},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [loaded, clicks, result, change] = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i);
        test::SettingsScope scope(loaded);
        Settings expected = settings;
        change(expected);
        FakeDialog dialog = Fake(OptionsDialogId);
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
    FakeDialog first = Fake(OptionsDialogId), second = Fake(OptionsDialogId);
    handler.OnInitDialog(first);
    first.pickedCustomColour = 0xABCDEF; // mixed in the first picker, which is then cancelled
    std::ranges::for_each(std::array{int{O::ForegroundColorButton}, int{O::BackgroundColorButton}, int{IdCancel}},
                          [&](int id) { handler.OnCommand(first, id); });
    handler.OnInitDialog(second);
    handler.OnCommand(second, O::BackgroundColorButton);
    const std::array<ColorRef, 16> mixed{0xABCDEF};
    EXPECT_EQ(first.customColoursSeen, (std::vector{std::array<ColorRef, 16>{}, mixed}));
    EXPECT_EQ(second.customColoursSeen, std::vector{mixed});
}

using Rows = std::vector<std::string>; // "name|score", row by row
constexpr int kName = kFirstHighScoreNameItem;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;

const Rows kDefaults = {"Tovin's Massive High Score|91000", "Tovin the Conqueror|72900", "Tovin Kicks Butt|56800",
                        "Tovin Wins Big Time|42700", "Tovin Takes It All|30600", "Tovin Wins Again|20500",
                        "Tovin on a Slow Day|12400", "Tovin Does Better|6300", "Tovin the Almighty|2200",
                        "Tovin's First Try|100"};
// A score of 5000 lands on row 4 here and on row 8 of the defaults.
const Rows kPlayers = {"P0|99000", "P1|98000", "P2|97000", "P3|96000", "P4|4000",
                       "P5|3000",  "P6|2000",  "P7|1000",  "P8|500",   "P9|100"};
const std::string kStored = "S0 S1 S2 S3 S4 S5 S6 S7 S8 S9", kDefault = "D0 D1 D2 D3 D4 D5 D6 D7 D8 D9";

// Tokens: S<i> stored row i, D<k> default row k, __ the new row.
Rows Expand(const Rows& stored, const std::string& tokens, const std::string& newRow = "|")
{
    Rows rows;
    for (std::size_t at = 0; at < tokens.size(); at += 3) {
        rows.push_back(tokens[at] == '_' ? newRow : (tokens[at] == 'S' ? stored : kDefaults).at(tokens[at + 1] - '0'));
    }
    return rows;
}

void Write(const std::string& name, const std::string& text) { WriteRegistryString(User, kHighScoresKey, name, text); }

void Store(const Rows& rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Write("Name" + std::to_string(i), rows[i].substr(0, rows[i].find('|')));
        Write("Score" + std::to_string(i), rows[i].substr(rows[i].find('|') + 1));
    }
}

// Every stored row in full, "|" where nothing is stored.
Rows Stored()
{
    Rows rows;
    const auto stored = [](std::string name) { return test::StoredText(kHighScoresKey, name, 1 << 16).value_or(""); };
    for (int k = 0; k < kHighScoreRowCount; ++k) {
        rows.push_back(stored("Name" + std::to_string(k)) + '|' + stored("Score" + std::to_string(k)));
    }
    return rows;
}

TEST(HighScoreTable, LowestScoreReadsTheStoredLastRowAndSaturates)
{
    test::TemporaryStore store;
    for (const auto& [text, number] : std::vector<std::pair<std::string, std::int32_t>>{
             {"250", 250}, {" \t+17 points", 17}, {"abc", 0}, {"2147483648", INT32_MAX},
             {std::string(254, '7'), INT32_MAX}, {"-99999999999999", INT32_MIN}, {std::string(255, '7'), 100}}) {
        Write("Score9", text);
        EXPECT_EQ(LowestHighScore(), number) << text; // read as "score9"
    }
}

// A new score gets the row below every stored score it does not beat, among
// the stored rows or, below them, the defaults. The first row that does not
// read whole (a text too long for the buffer) ends the list shown; OK never
// replaces it or the rows after it, it only moves them down to make room.
// One handler serves every opening, as in the program, so a row given at one
// opening is still in it at the next.
TEST(HighScoreDialog, ShowsTheStoredListOpensOneRowForANewScoreAndStoresTheListOnOkOnly)
{
    const std::string longest(kHighScoreTextBuffer - 1, 'w'), tooLong(kHighScoreTextBuffer, '7');
    Rows unreadable = kPlayers;
    unreadable[3] = tooLong + "|96000";
    // Stored list, new entry, score, answer to Reset ({}: no Reset), closing button, the rows open for a name
    // (after any Reset), the stored list afterwards (__ is "Ada" with the new score, "" none).
    const std::vector<std::tuple<Rows, bool, std::int32_t, std::optional<DialogResult>, int, std::vector<int>, std::string>> cases = {
        {{}, false, 5000, {}, IdOk, {}, kDefault}, // the first OK stores the defaults
        {{}, true, 100, {}, IdOk, {}, kDefault},
        {kDefaults, true, 42700, {}, IdOk, {4}, "S0 S1 S2 S3 __ S4 S5 S6 S7 S8"}, // a tie goes below
        {kPlayers, true, 99001, {}, IdOk, {0}, "__ S0 S1 S2 S3 S4 S5 S6 S7 S8"},
        {kPlayers, false, 99001, {}, IdOk, {}, kStored},
        {kPlayers, false, 5000, DialogResult::Yes, IdCancel, {}, ""},
        {kPlayers, true, 5000, DialogResult::No, IdOk, {4}, "S0 S1 S2 S3 __ S4 S5 S6 S7 S8"},
        {kPlayers, true, 5000, DialogResult::Yes, IdOk, {8}, "D0 D1 D2 D3 D4 D5 D6 D7 __ D9"}, // placed again
        // A damaged list gives no row: shown as in view mode, leaving row 8 of the last opening alone.
        {{"A|100", "B|100"}, true, 60, {}, IdOk, {}, "S0 S1 D2 D3 D4 D5 D6 D7 D8 D9"},
        {{"A|91000", "B|72900", "C|n/a", "D|9"}, true, 5, {}, IdOk, {2}, "S0 S1 __ S2 S3 D5 D6 D7 D8 D9"}, // n/a: 0
        {{"A|91000", "B|72900", "C|56800"}, true, 5000, {}, IdOk, {8}, "S0 S1 S2 D3 D4 D5 D6 D7 __ D9"},
        {{"A|999999"}, true, 95000, {}, IdOk, {0}, "S0 __ D2 D3 D4 D5 D6 D7 D8 D9"}, // shown over it, stored below
        {{longest + "|1", "B|" + tooLong, "C|3"}, false, 0, {}, IdOk, {}, "S0 S1 S2 D3 D4 D5 D6 D7 D8 D9"},
        {unreadable, false, 0, {}, IdOk, {}, kStored},
        {unreadable, true, 96500, {}, IdOk, {0}, "S0 S1 S2 __ S3 S4 S5 S6 S7 S8"},
    };
    HighScoreDialog handler;
    for (const auto& [stored, newEntry, score, reset, close, editableRows, after] : cases) {
        SCOPED_TRACE(testing::Message() << stored.size() << " stored, " << newEntry << ' ' << score << ' ' << testing::PrintToString(reset));
        test::TemporaryStore store;
        Store(stored);
        FakeDialog dialog = Fake(HighScoreDialogId);
        dialog.answer = reset.value_or(DialogResult::Ok);
        handler.SetPending(newEntry, score);
        EXPECT_EQ(handler.OnInitDialog(dialog), editableRows.empty()) << "false: the handler set the focus";
        const auto type = [&](const char* name) {
            std::vector<int> editable;
            for (int k = 0; k < kHighScoreRowCount; ++k) {
                if (!dialog.IsReadOnly(kName + k)) {
                    editable.push_back(k);
                    dialog.SetItemText(kName + k, name);
                }
            }
            return editable;
        };
        type("lost to Reset");
        EXPECT_FALSE(reset && handler.OnCommand(dialog, HighScoreDialog::ResetButton));
        EXPECT_EQ(type("Ada"), editableRows);
        EXPECT_TRUE(handler.OnCommand(dialog, close) && dialog.ended == (close == IdOk ? DialogResult::Ok : DialogResult::Cancel));
        EXPECT_EQ(Stored(), after.empty() ? Rows(kHighScoreRowCount, "|") : Expand(stored, after, "Ada|" + std::to_string(score)));
    }
}

} // namespace
} // namespace tw
