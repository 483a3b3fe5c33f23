#include "settings/HighScoreTable.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/DialogHelpers.h"
#include "settings/Registry.h"

namespace tw {
namespace {

constexpr std::array<std::string_view, kHighScoreRowCount> kDefaultNames{
    "Tovin's Massive High Score", "Tovin the Conqueror", "Tovin Kicks Butt",   "Tovin Wins Big Time",
    "Tovin Takes It All",         "Tovin Wins Again",    "Tovin on a Slow Day", "Tovin Does Better",
    "Tovin the Almighty",         "Tovin's First Try",
};

int NameItem(int row) { return kFirstHighScoreNameItem + row; }
int ScoreItem(int row) { return kFirstHighScoreScoreItem + row; }

// Row i's name is value 2i, its score 2i + 1: "Name0", "Score0", "Name1" ..
const std::vector<std::string>& ValueNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (int row = 0; row < kHighScoreRowCount; ++row) {
            for (const char* stem : {"Name", "Score"}) {
                all.push_back(stem + std::string(1, static_cast<char>('0' + row)));
            }
        }
        return all;
    }();
    return names;
}

const std::optional<StoredValue>& StoredName(const StoredValues& stored, int row)
{
    return stored[static_cast<std::size_t>(2 * row)];
}
const std::optional<StoredValue>& StoredScore(const StoredValues& stored, int row)
{
    return stored[static_cast<std::size_t>(2 * row + 1)];
}
bool Missing(const StoredValues& stored, int row) { return !StoredName(stored, row) && !StoredScore(stored, row); }

void SetRow(Dialog& rows, int row, std::string_view name, std::string_view score)
{
    SetItemText(rows, NameItem(row), name);
    SetItemText(rows, ScoreItem(row), score);
}

// The row a new score goes to in the list as stored: below every row whose
// score it does not beat, a missing row counting with its default score and
// a row whose score cannot be read as unbeatable, so that no row is pushed
// off the list by a lower score. kHighScoreRowCount when it beats none.
int EntryPlace(const StoredValues& stored, std::int32_t newScore)
{
    for (int row = 0; row < kHighScoreRowCount; ++row) {
        const std::optional<StoredValue>& score = StoredScore(stored, row);
        std::int32_t standing = std::numeric_limits<std::int32_t>::max();
        if (Missing(stored, row)) {
            standing = DefaultHighScore(kHighScoreRowCount - row);
        } else if (score && score->type == StoredValue::Type::Text) {
            standing = ScoreTextToNumber(score->text);
        }
        if (standing < newScore) {
            return row;
        }
    }
    return kHighScoreRowCount;
}

} // namespace

std::int32_t DefaultHighScore(int n) { return n * (1000 * n - 900); }

void FillDefaults(Dialog& rows)
{
    for (int row = 0; row < kHighScoreRowCount; ++row) {
        SetItemText(rows, NameItem(row), kDefaultNames[static_cast<std::size_t>(row)]);
        SetItemNumber(rows, ScoreItem(row), DefaultHighScore(kHighScoreRowCount - row));
    }
}

void LoadHighScores(Dialog& rows, bool newEntryMode, std::int32_t newEntryScore, int& newEntryRow)
{
    // Read at one moment, so a list another copy of the game is saving is
    // never shown half old and half new. A store that cannot be read shows
    // the defaults, as a missing list does.
    const StoredValues stored = ReadRegistryValues(RegistryRoot::CurrentUser, kHighScoresKey, ValueNames())
                                    .value_or(StoredValues(ValueNames().size()));
    bool placed = false;
    bool stopped = false;
    int row = 0;
    for (int i = 0; row < kHighScoreRowCount && !stopped; ++i, ++row) {
        const std::optional<std::string> name = RegistryString(StoredName(stored, i), kHighScoreTextBuffer);
        const std::optional<std::string> score = RegistryString(StoredScore(stored, i), kHighScoreTextBuffer);
        if (!name || !score) {
            stopped = true;
            break;
        }
        if (!placed && newEntryMode && ScoreTextToNumber(*score) < newEntryScore) {
            // Strictly below: a tie keeps the older entry above the new one.
            SetRow(rows, row, {}, {});
            newEntryRow = row;
            placed = true;
            ++row;
        }
        if (row < kHighScoreRowCount) {
            SetRow(rows, row, *name, *score);
        }
    }
    if (placed || !stopped || !newEntryMode || newEntryScore < 1) {
        return;
    }
    // The stored list ran out above the new score: place it among the
    // defaults, whatever the row holds now, without moving anything.
    for (int n = kHighScoreRowCount; n >= 1; --n) {
        if (DefaultHighScore(n) < newEntryScore) {
            newEntryRow = kHighScoreRowCount - n;
            SetRow(rows, newEntryRow, {}, {});
            return;
        }
    }
}

bool SaveHighScores(Dialog& rows, int newEntryRow)
{
    const bool entering = newEntryRow >= 0 && newEntryRow < kHighScoreRowCount;
    const std::string name = entering ? GetItemText(rows, NameItem(newEntryRow), kHighScoreTextBuffer) : "";
    const std::string score = entering ? GetItemText(rows, ScoreItem(newEntryRow), kHighScoreTextBuffer) : "";
    RegistryTransaction save(RegistryRoot::CurrentUser);
    return save.CommitChange(kHighScoresKey, ValueNames(), [&](const StoredValues& stored, RegistryTransaction& save) {
        const int place = entering ? EntryPlace(stored, ScoreTextToNumber(score)) : kHighScoreRowCount;
        const auto write = [&](int row, const StoredValue& rowName, const StoredValue& rowScore) {
            save.Write(kHighScoresKey, ValueNames()[static_cast<std::size_t>(2 * row)], rowName);
            save.Write(kHighScoresKey, ValueNames()[static_cast<std::size_t>(2 * row + 1)], rowScore);
        };
        const StoredValue blank = StoredValue::Text("");
        for (int row = 0; row < kHighScoreRowCount; ++row) {
            const int from = row <= place ? row : row - 1; // the stored row that ends up here
            if (row == place) {
                write(row, StoredValue::Text(name), StoredValue::Text(score));
            } else if (Missing(stored, from)) {
                write(row, StoredValue::Text(kDefaultNames[static_cast<std::size_t>(row)]),
                      StoredValue::Text(std::to_string(DefaultHighScore(kHighScoreRowCount - row))));
            } else if (from != row) {
                // Moved down as it is, even a row too long to be shown.
                write(row, StoredName(stored, from).value_or(blank), StoredScore(stored, from).value_or(blank));
            }
        }
    });
}

bool ClearHighScores() { return DeleteRegistryKey(RegistryRoot::CurrentUser, kHighScoresKey); }

std::int32_t LowestHighScore()
{
    // Value names are matched without regard to case, so this is the Score9
    // that SaveHighScores writes. The buffer is a byte shorter than the
    // one the list is loaded with; no score the game writes comes near it.
    std::string text;
    if (!ReadRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "score9", text, 255)) {
        return DefaultHighScore(1);
    }
    return ScoreTextToNumber(text);
}

std::int32_t ScoreTextToNumber(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulate as a magnitude one past the largest positive value, so the
    // most negative number is exact and anything larger saturates.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), limit);
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(std::min(magnitude, limit - 1));
}

} // namespace tw
