#include "settings/HighScoreTable.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

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

// "Name0" .. "Name9", "Score0" .. "Score9".
std::string ValueName(std::string_view stem, int row)
{
    std::string name(stem);
    name += static_cast<char>('0' + row);
    return name;
}

bool ReadStored(std::string_view stem, int row, std::string& text)
{
    return ReadRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, ValueName(stem, row), text,
                              kHighScoreTextBuffer);
}

void SetRow(Dialog& rows, int row, std::string_view name, std::string_view score)
{
    SetItemText(rows, NameItem(row), name);
    SetItemText(rows, ScoreItem(row), score);
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
    bool placed = false;
    bool stopped = false;
    int stored = 0;
    int row = 0;
    while (row < kHighScoreRowCount && !stopped) {
        std::string name;
        std::string score;
        if (!ReadStored("Name", stored, name) || !ReadStored("Score", stored, score)) {
            stopped = true;
            break;
        }
        if (!placed && newEntryMode && ScoreTextToNumber(score) < newEntryScore) {
            // Strictly below: a tie keeps the older entry above the new one.
            SetRow(rows, row, {}, {});
            newEntryRow = row;
            placed = true;
            ++row;
        }
        if (row < kHighScoreRowCount) {
            SetRow(rows, row, name, score);
        }
        ++stored;
        ++row;
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

bool SaveHighScores(Dialog& rows)
{
    RegistryTransaction save(RegistryRoot::CurrentUser);
    for (int row = 0; row < kHighScoreRowCount; ++row) {
        const std::string name = GetItemText(rows, NameItem(row), kHighScoreTextBuffer);
        const std::string score = GetItemText(rows, ScoreItem(row), kHighScoreTextBuffer);
        save.WriteString(kHighScoresKey, ValueName("Name", row), name);
        save.WriteString(kHighScoresKey, ValueName("Score", row), score);
    }
    return save.Commit();
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
