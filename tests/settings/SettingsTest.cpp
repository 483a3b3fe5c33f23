#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "settings/Settings.h"

namespace tw {
namespace {

TEST(SettingsDefaults, AreTheValuesOfAnEmptyStore)
{
    // Beep, Music, ClearStacks, GetFaster, SwapMode, OneDeck, EndOnShuffle, LastStack, UpDown,
    // CollapseRegime, ShowNagDlg, ForegroundColor, BackgroundColor, minMeldLength, dropInterval.
    const std::array<std::int32_t, 15> expected = {1, 1, 0, 1, 3, 2, 0, 1, 1, 1, 1, 8454016, 16384, 3, 800};
    EXPECT_EQ((std::bit_cast<std::array<std::int32_t, 15>>(Settings::Defaults())), expected);
}

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

} // namespace
} // namespace tw
