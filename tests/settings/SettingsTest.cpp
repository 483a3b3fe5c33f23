#include <gtest/gtest.h>

#include "settings/Settings.h"

namespace tw {
namespace {

TEST(SettingsDefaults, AreTheValuesOfAnEmptyStore)
{
    const Settings s = Settings::Defaults();
    EXPECT_EQ(s.Beep, 1);
    EXPECT_EQ(s.Music, 1);
    EXPECT_EQ(s.ClearStacks, 0);
    EXPECT_EQ(s.GetFaster, 1);
    EXPECT_EQ(s.SwapMode, 3);
    EXPECT_EQ(s.OneDeck, 2);
    EXPECT_EQ(s.EndOnShuffle, 0);
    EXPECT_EQ(s.LastStack, 1);
    EXPECT_EQ(s.UpDown, 1);
    EXPECT_EQ(s.CollapseRegime, 1);
    EXPECT_EQ(s.ShowNagDlg, 1);
    EXPECT_EQ(s.ForegroundColor, 8454016);
    EXPECT_EQ(s.BackgroundColor, 16384);
    EXPECT_EQ(s.minMeldLength, 3);
    EXPECT_EQ(s.dropInterval, 800);
}

TEST(MinMeldLength, FollowsTheRuleSet)
{
    Settings s;
    for (auto [regime, expected] : {std::pair{1, 3}, {2, 3}, {3, 2}}) {
        s.CollapseRegime = regime;
        s.DeriveMinMeldLength();
        EXPECT_EQ(s.minMeldLength, expected) << "regime " << regime;
    }
}

TEST(MinMeldLength, AnUnknownRuleSetKeepsThePreviousLength)
{
    Settings fresh;
    fresh.CollapseRegime = 7;
    fresh.DeriveMinMeldLength();
    EXPECT_EQ(fresh.minMeldLength, 0);

    Settings loaded = Settings::Defaults();
    loaded.CollapseRegime = 0;
    loaded.DeriveMinMeldLength();
    EXPECT_EQ(loaded.minMeldLength, 3);
}

} // namespace
} // namespace tw
