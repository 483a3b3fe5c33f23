#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/HighScoreTable.h"
#include "settings/KeptGameStore.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/FakeDialog.h"
#include "support/SettingsScope.h"

// Rounds of saves that another process may kill at any moment: save k is k
// as every setting and every number of the placement, a kept game made of k,
// and a high score of kEntered + k under that name too, the settings first as
// in the game. What the store holds afterwards must be whole saves, never half
// of one.
namespace tw::test {

// Every field 0, as at process start.
inline void ProcessStart(Settings& s) { s = Settings{}; }

// Both records are nothing but 32-bit numbers.
template <typename T> auto Fields(const T& record)
{
    return std::bit_cast<std::array<std::int32_t, sizeof(T) / sizeof(std::int32_t)>>(record);
}

template <typename T> T Filled(std::int32_t number)
{
    decltype(Fields(T{})) fields;
    return fields.fill(number), std::bit_cast<T>(fields);
}

inline constexpr std::int32_t kEntered = 1'000'000; // above every default score

inline std::optional<std::string> StoredText(std::string_view key, std::string_view name, std::size_t bufferSize = 64)
{
    std::string text;
    return ReadRegistryString(RegistryRoot::CurrentUser, key, name, text, bufferSize) ? std::optional(text)
                                                                                       : std::nullopt;
}

// The settings and the placement as a game starting now loads them.
inline std::pair<Settings, WindowPlacement> LoadedSettings()
{
    SettingsScope scope(ProcessStart);
    WindowPlacement placement;
    LoadSettings(placement);
    return {settings, placement};
}

// Longer than any kept game, so that it spans more than one write.
inline std::string KeptText(std::int32_t k) { return std::string(4000, char('a' + k % 26)) + std::to_string(k); }

inline bool Save(std::int32_t k)
{
    FakeDialog rows;
    rows.items[kFirstHighScoreNameItem].text = rows.items[kFirstHighScoreScoreItem].text = std::to_string(kEntered + k);
    settings = Filled<Settings>(k);
    return SaveSettings(Filled<WindowPlacement>(k), KeptText(k)) && SaveHighScores(rows, 0);
}

// The save that the settings (with the placement and the kept game) come
// from, -1 when they hold values of more than one; and the saves whose
// entries the list holds, best first, -1 for a row that is not one whole
// entry.
inline std::pair<std::int32_t, std::vector<std::int32_t>> SavesHeld()
{
    const auto [loaded, placement] = LoadedSettings();
    const std::int32_t k = placement.top;
    // Save k loads as k into 17 of the 20 fields: not the orientation (mended), meld length or drop interval.
    const auto fromSaveK = std::ranges::count(Fields(loaded), k) + std::ranges::count(Fields(placement), k);
    const bool keptWhole = StoredText(kKeptGameKey, kKeptGameName, 1 << 16) == KeptText(k);
    std::vector<std::int32_t> entries;
    for (int row = 0; row < kHighScoreRowCount; ++row) {
        const auto score = StoredText(kHighScoresKey, "Score" + std::to_string(row), 16);
        const bool whole = score && StoredText(kHighScoresKey, "Name" + std::to_string(row), 16) == score;
        entries.push_back(whole ? ScoreTextToNumber(*score) - kEntered : -1);
    }
    return {fromSaveK == 17 && keptWhole ? k : -1, entries};
}

// The older of the saves that the settings and the list come from; -1 when
// either holds values of more than one save.
inline std::int32_t OlderSaveHeld()
{
    const auto [k, entries] = SavesHeld();
    const auto notNext = [](auto above, auto below) { return below != above - 1; };
    return k >= 0 && std::ranges::adjacent_find(entries, notNext) == entries.end() ? std::min(k, entries[0]) : -1;
}

} // namespace tw::test
