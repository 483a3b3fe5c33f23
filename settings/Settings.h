#pragma once

#include <cstdint>

namespace tw {

// The process-wide record of rule options and preferences. Fields bear the
// names of the stored values they are loaded from; every part of the game
// reads them directly. Only the settings load and the Options dialog write
// the stored fields.
struct Settings {
    std::int32_t Beep = 0;
    std::int32_t Music = 0;
    std::int32_t ClearStacks = 0;
    std::int32_t GetFaster = 0;
    std::int32_t SwapMode = 0;
    std::int32_t OneDeck = 0;
    std::int32_t EndOnShuffle = 0;
    std::int32_t LastStack = 0;
    std::int32_t UpDown = 0;
    std::int32_t CollapseRegime = 0;
    std::int32_t ShowNagDlg = 0;
    std::int32_t ForegroundColor = 0;
    std::int32_t BackgroundColor = 0;

    // Never stored.
    std::int32_t minMeldLength = 0; // the fewest cards that collapse
    std::int32_t dropInterval = 0;  // period of the drop timer, milliseconds

    // The record as an empty store yields it.
    static Settings Defaults();

    // 3 for sets-and-runs and poker, 2 for twenty-one; an unknown rule set
    // leaves the length as it was.
    void DeriveMinMeldLength();
};

// Every field is 0 until the settings are loaded.
extern Settings settings;

} // namespace tw
