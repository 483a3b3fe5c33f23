#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"
#include "settings/HighScoreDialog.h"
#include "settings/HighScoreTable.h"
#include "settings/Registry.h"
#include "support/FakeDialog.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

using test::FakeDialog;
using Rows = std::vector<std::string>; // "name|score", row by row
constexpr int kName = kFirstHighScoreNameItem;

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
        const auto i = static_cast<std::size_t>(tokens[at + 1] - '0');
        rows.push_back(tokens[at] == '_' ? newRow : (tokens[at] == 'S' ? stored : kDefaults).at(i));
    }
    return rows;
}

FakeDialog HighScoreFake() { return FakeDialog(*FindDialogTemplate(HighScoreDialogId)); }

Rows Shown(const FakeDialog& dialog)
{
    Rows rows;
    for (int k = 0; k < kHighScoreRowCount; ++k) {
        rows.push_back(dialog.GetItemText(kName + k) + '|' + dialog.GetItemText(kFirstHighScoreScoreItem + k));
    }
    return rows;
}

bool Write(const std::string& name, const std::string& text)
{
    return WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, name, text);
}

void Store(const Rows& rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Write("Name" + std::to_string(i), rows[i].substr(0, rows[i].find('|')));
        Write("Score" + std::to_string(i), rows[i].substr(rows[i].find('|') + 1));
    }
}

Rows Loaded(bool newEntry = false, std::int32_t score = 0, int* row = nullptr)
{
    FakeDialog dialog = HighScoreFake();
    FillDefaults(dialog);
    int unused = -1;
    LoadHighScores(dialog, newEntry, score, row ? *row : unused);
    return Shown(dialog);
}

TEST(HighScoreTable, LoadGivesTheNewScoreItsRowAmongTheStoredRowsOrTheDefaults)
{
    const std::vector<std::tuple<Rows, bool, std::int32_t, int, std::string>> cases = {
        {{}, false, 5000, 77, kDefault},
        {{}, true, 5000, 8, "D0 D1 D2 D3 D4 D5 D6 D7 __ D9"},
        {{}, true, 100, 77, kDefault},
        {kDefaults, true, 42700, 4, "S0 S1 S2 S3 __ S4 S5 S6 S7 S8"}, // a tie goes below
        {kPlayers, true, 99001, 0, "__ S0 S1 S2 S3 S4 S5 S6 S7 S8"},
        {kPlayers, false, 99001, 77, kStored},
        {{"A|91000", "B|72900", "C|n/a", "D|9"}, true, 5, 2, "S0 S1 __ S2 S3 D5 D6 D7 D8 D9"}, // n/a is 0
        {{"A|91000", "B|72900", "C|56800"}, true, 5000, 8, "S0 S1 S2 D3 D4 D5 D6 D7 __ D9"},
        {{"A|999999"}, true, 95000, 0, "__ D1 D2 D3 D4 D5 D6 D7 D8 D9"}, // the stored row gives way
        {{"A|100", "B|100"}, true, 60, 77, "S0 S1 D2 D3 D4 D5 D6 D7 D8 D9"},   // damaged: no row fits
    };
    for (const auto& [rows, newEntry, score, expectedRow, shown] : cases) {
        SCOPED_TRACE(testing::Message() << rows.size() << " stored, " << newEntry << ' ' << score);
        test::TemporaryStore store;
        Store(rows);
        int row = 77;
        EXPECT_EQ(Loaded(newEntry, score, &row), Expand(rows, shown));
        EXPECT_EQ(row, expectedRow);
    }
}

TEST(HighScoreTable, LowestScoreReadsTheStoredLastRowAndSaturates)
{
    test::TemporaryStore store;
    EXPECT_EQ(LowestHighScore(), 100);
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    for (const auto& [text, number] : std::vector<std::pair<std::string, std::int32_t>>{
             {"250", 250}, {" \t+17 points", 17}, {"abc", 0}, {"2147483648", kMax}, {std::string(254, '7'), kMax},
             {"-99999999999999", std::numeric_limits<std::int32_t>::min()}, {std::string(255, '7'), 100}}) {
        Write("Score9", text);
        EXPECT_EQ(LowestHighScore(), number) << text; // read as "score9"
    }
}

TEST(HighScoreTable, SavingStopsAtTheFirstFailedWrite)
{
    test::TemporaryStore store;
    // A file where the configuration folder should be fails every write; the
    // store breaks as row 3 is read and mends as row 5 is.
    static std::filesystem::path folders[2];
    folders[0] = store.ConfigHome();
    folders[1] = store.ConfigHome() / "not-a-folder";
    std::ofstream(folders[1]) << "x";
    struct BreakingRows : FakeDialog {
        using FakeDialog::FakeDialog;
        std::string GetItemText(int id) const override
        {
            if (id == kName + 3 || id == kName + 5) {
                setenv("XDG_CONFIG_HOME", folders[id == kName + 3].c_str(), 1);
            }
            return FakeDialog::GetItemText(id);
        }
    } dialog(*FindDialogTemplate(HighScoreDialogId));
    Store(kPlayers);
    FillDefaults(dialog);
    EXPECT_FALSE(SaveHighScores(dialog));
    setenv("XDG_CONFIG_HOME", folders[0].c_str(), 1);
    EXPECT_EQ(Loaded(), Expand(kPlayers, "D0 D1 D2 S3 S4 S5 S6 S7 S8 S9"));
}

// One handler for every opening, as in the program, so a row given at one
// opening is still in it at the next.
TEST(HighScoreDialog, StoresTheListAsShownOnOkOnlyAndOpensOneRowForANewScore)
{
    struct Case {
        Rows stored;
        bool newEntry;
        std::int32_t score;
        int reset; // the answer, or 0 for no Reset
        int close;
        bool init;
        std::vector<int> editable; // after any Reset
        std::string after;         // the stored list; __ is "Ada" with the new score, "" none
    };
    const std::vector<Case> cases = {
        {{}, false, 5000, 0, IdOk, true, {}, kDefault}, // the first OK stores the defaults
        {{}, true, 5000, 0, IdOk, false, {8}, "D0 D1 D2 D3 D4 D5 D6 D7 __ D9"},
        {kPlayers, true, 5000, 0, IdCancel, false, {4}, kStored},
        {kPlayers, false, 5000, ResultYes, IdCancel, true, {}, ""},
        {kPlayers, true, 5000, ResultNo, IdOk, false, {4}, "S0 S1 S2 S3 __ S4 S5 S6 S7 S8"},
        {kPlayers, true, 5000, ResultYes, IdOk, false, {8}, "D0 D1 D2 D3 D4 D5 D6 D7 __ D9"}, // placed again
        // A damaged list gives no row: shown as in view mode, leaving row 8 of the last opening alone.
        {{"A|100", "B|100"}, true, 60, 0, IdOk, true, {}, "S0 S1 D2 D3 D4 D5 D6 D7 D8 D9"},
    };
    HighScoreDialog handler;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.size() << " stored, " << c.newEntry << ' ' << c.reset);
        test::TemporaryStore store;
        Store(c.stored);
        FakeDialog dialog = HighScoreFake();
        dialog.answer = c.reset;
        handler.SetPending(c.newEntry, c.score);
        EXPECT_EQ(handler.OnInitDialog(dialog), c.init);
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
        EXPECT_FALSE(c.reset && handler.OnCommand(dialog, HighScoreDialog::ResetButton));
        const std::vector<int> editable = type("Ada");
        EXPECT_EQ(editable, c.editable);
        EXPECT_EQ(dialog.focus, editable.empty() ? -1 : kName + editable[0]);
        EXPECT_TRUE(handler.OnCommand(dialog, c.close));
        EXPECT_EQ(dialog.ended, c.close);
        std::string name;
        EXPECT_EQ(ReadRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Name0", name, 256), !c.after.empty());
        EXPECT_EQ(Loaded(), c.after.empty() ? kDefaults : Expand(c.stored, c.after, "Ada|" + std::to_string(c.score)));
    }
}

// The first row that does not read whole (a number, a text too long for the
// buffer) ends the stored list; the defaults show from there on.
TEST(HighScoreTable, LoadStopsAtTheFirstUnreadableRow)
{
    test::TemporaryStore store;
    Store(kPlayers);
    Rows rows = kPlayers;
    rows[3] = std::string(255, 'w') + "|96000"; // the longest text that reads back
    Write("NAME3", std::string(255, 'w'));
    EXPECT_EQ(Loaded(), Expand(rows, kStored));
    Write("score5", std::string(256, '7'));
    EXPECT_EQ(Loaded(), Expand(rows, "S0 S1 S2 S3 S4 D5 D6 D7 D8 D9"));
    WriteRegistryDword(RegistryRoot::CurrentUser, kHighScoresKey, "Name1", 7);
    EXPECT_EQ(Loaded(), Expand(rows, "S0 D1 D2 D3 D4 D5 D6 D7 D8 D9"));
    WriteRegistryDword(RegistryRoot::CurrentUser, kHighScoresKey, "Score9", 7);
    EXPECT_EQ(LowestHighScore(), 100);
}

} // namespace
} // namespace tw
