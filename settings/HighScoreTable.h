#pragma once

#include <cstdint>
#include <string_view>

namespace tw {

class Dialog;

// The ten best results live only in the store and, while the High Score List
// dialog is open, in its rows: row k is the name box 1012 + k and the score
// label 1022 + k. These operations move the list between the two. Scores are
// kept as the text shown and turned into numbers only for comparisons.
inline constexpr int kHighScoreRowCount = 10;
inline constexpr int kFirstHighScoreNameItem = 1012;
inline constexpr int kFirstHighScoreScoreItem = 1022;
// Every name and score text is read into a buffer of this many bytes, so the
// longest text that survives a save and a load is one byte shorter.
inline constexpr int kHighScoreTextBuffer = 256;

// n × (1000 × n − 900) for n from 1 to 10: row k's default is n = 10 − k.
std::int32_t DefaultHighScore(int n);

// The built-in list.
void FillDefaults(Dialog& rows);

// Reads the stored rows over the rows (always right after FillDefaults). In
// new-entry mode the new score gets an empty row of its own, the stored rows
// below it move down one, and `newEntryRow` receives its index; when no row
// fits the score (a damaged list), `newEntryRow` is left as it was.
void LoadHighScores(Dialog& rows, bool newEntryMode, std::int32_t newEntryScore, int& newEntryRow);

// Stores the list as it is stored at this moment (another copy of the game
// may have entered a score since the rows were loaded) with the rows shown
// where nothing is stored, and enters the new score of row `newEntryRow`
// (-1: none) below every stored score it does not beat. A stored row is
// never replaced, only moved down to make room, even one that cannot be
// shown; the lowest row drops off. All at once: a save that fails, or a
// program killed while saving, leaves the stored list as it was. True when
// written.
bool SaveHighScores(Dialog& rows, int newEntryRow);

// Forgets the stored list, so the next load shows the defaults. False when
// there was nothing to delete or the store refused.
bool ClearHighScores();

// The number of the lowest stored score, or 100 when there is none to read.
std::int32_t LowestHighScore();

// Leading white space, an optional sign, then the digits up to the first
// other character; no digits is 0. A number beyond 32 bits saturates instead
// of wrapping, so an absurd stored score still compares as the largest (or
// smallest) there can be.
std::int32_t ScoreTextToNumber(std::string_view text);

} // namespace tw
