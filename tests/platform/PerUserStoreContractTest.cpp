#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "platform/PerUserStoreDriver.h"
#include "platform/SharedLibrary.h"
#include "settings/HighScoreTable.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

// What the per-user store must do for the game, whichever backend keeps it:
// each backend's test program runs these cases against its store, through
// its own driver. What only one backend does is tested beside its driver.
namespace tw {
namespace {

using test::Fields;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;
constexpr std::string_view Key = kTumblewickKey;
constexpr std::int32_t Unset = -77;

std::int32_t Number(std::string_view name) { return ReadRegistryDword(User, Key, name, Unset); }

auto Text(std::string_view name, std::size_t bufferSize = 64) { return test::StoredText(Key, name, bufferSize); }

// Runs a copy of the game in a process of its own, the saver beside the test
// program, making saves first, first + 1, ... last; killed `lifetime` after
// it started saving, when a lifetime is given. The last save it finished, 0
// if none.
std::int32_t RunSavingCopy(std::int32_t first, std::int32_t last, std::chrono::microseconds lifetime = {})
{
    const std::string command = '"' + (ProgramDirectory() / "store_saver").string() + "\" " + std::to_string(first) +
                                ' ' + std::to_string(last) + ' ' + std::to_string(lifetime.count());
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> reports(popen(command.c_str(), "r"), pclose);
    std::int32_t finished = 0;
    for (std::int32_t k = 0; reports && std::fscanf(reports.get(), "%d", &k) == 1;) {
        finished = k;
    }
    return finished;
}

TEST(PerUserStore, ValuesKeepTypeLengthAndKeyWhateverTheCaseOfTheirNames)
{
    test::TemporaryStore store;
    ASSERT_TRUE(WriteRegistryDword(User, Key, "Score9", -1) && WriteRegistryString(User, Key, "Name9", "Zoë ♣") &&
                WriteRegistryString(User, Key, "Empty", ""));
    EXPECT_EQ(ReadRegistryDword(User, "software\\BRINDLECOVE\\tumblewick", "score9", 0), -1);
    EXPECT_EQ(std::pair(Number("Name9"), Number("Missing")), std::pair(Unset, Unset));
    // The name is 8 bytes: the buffer must hold them and the terminator.
    const std::tuple<const char*, std::size_t, std::optional<std::string>> reads[] = {
        {"NAME9", 9, "Zoë ♣"}, {"name9", 8, std::nullopt}, {"Empty", 1, ""}, {"Score9", 64, std::nullopt}};
    for (const auto& [name, size, expected] : reads) {
        EXPECT_EQ(Text(name, size), expected) << name << " in " << size;
    }
    // Another spelling replaces the value, type and all.
    ASSERT_TRUE(WriteRegistryString(User, Key, "SCORE9", "now text"));
    EXPECT_EQ(std::pair(Number("Score9"), Text("score9")), std::pair(Unset, std::optional<std::string>("now text")));
    EXPECT_FALSE(WriteRegistryDword(User, "Software\\\\Twice", "X", 1));

    // Clearing the high score list, in any spelling, leaves the settings
    // alone; the game's key itself, which holds the list, stays.
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name0", "Ann") && WriteRegistryDword(User, Key, "Beep", 0));
    EXPECT_FALSE(DeleteRegistryKey(User, Key)) << "it has a subkey";
    EXPECT_TRUE(DeleteRegistryKey(User, "SOFTWARE\\brindlecove\\Tumblewick\\highscores"));
    EXPECT_FALSE(DeleteRegistryKey(User, kHighScoresKey)) << "it is gone";
    EXPECT_EQ(std::pair(Number("Beep"), test::StoredText(kHighScoresKey, "Name0")), std::pair(0, std::optional<std::string>()));
}

// Either way the game starts at once on the defaults. Its save at close then
// keeps everything in a store that was missing, but in one that could not be
// read only the value the player changed: the others are not known, so no
// default may replace them.
TEST(PerUserStore, AStoreHeldByAnotherProgramIsNotTakenForAMissingOne)
{
    const WindowPlacement stored = {100, 120, 800, 600, WindowShowState::Maximized}, closed = {5, 5, 700, 500};
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held by another program" : "missing");
        test::TemporaryStore store;
        test::SettingsScope scope([](Settings& s) { s.Beep = 0, s.SwapMode = 1, s.UpDown = -1, s.BackgroundColor = 5; });
        ASSERT_TRUE(!held || SaveSettings(stored));
        Settings expected = held ? settings : Settings::Defaults();
        expected.Music = 0;

        std::shared_ptr<void> holder = held ? test::HoldStoreAsAnotherProgram() : nullptr;
        WindowPlacement placement;
        const auto started = std::chrono::steady_clock::now();
        std::thread([&] { LoadSettings(placement); }).join(); // not the holder's thread
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << "the start waited for the store";
        EXPECT_EQ(std::pair(Fields(settings), Fields(placement)),
                  std::pair(Fields(Settings::Defaults()), Fields(WindowPlacement{0, 0, 640, 460})));
        holder.reset();
        settings.Music = 0; // in the Options dialog
        EXPECT_TRUE(SaveSettings(closed));
        LoadSettings(placement);
        EXPECT_EQ(std::pair(Fields(settings), Fields(placement)),
                  std::pair(Fields(expected), Fields(held ? stored : closed)));
    }
}

// The game says nothing of it in its windows and starts on its defaults;
// whoever started it from a terminal reads why once a run. CTest runs every
// case in a process of its own.
TEST(PerUserStore, AStoreThatCannotBeWrittenSaysWhyOnce)
{
    test::TemporaryStore store;
    const std::string where = test::MakeStoreUnwritable();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Number("Beep"), Unset);
    EXPECT_FALSE(WriteRegistryDword(User, Key, "Beep", 0) || DeleteRegistryKey(User, Key) ||
                 WriteRegistryString(User, kHighScoresKey, "Name0", "Ann") || SaveSettings(WindowPlacement{}));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_THAT(said, testing::StartsWith("Tumblewick: cannot save settings to " + where));
    EXPECT_THAT(said, testing::EndsWith("\n"));
    EXPECT_EQ(std::ranges::count(said, '\n'), 1);
}

// Whatever the store holds (nothing, odd numbers, strings up to a megabyte,
// names in any case, what else was scribbled into it), the game starts with a
// playable orientation and the meld length of the stored rule set, and a save
// leaves a store that reads back what was saved. That the other values load
// as stored the kill rounds show.
TEST(PerUserStore, TheGameSurvivesAnyStoreContents)
{
    const char* const names[] = {"Beep", "SwapMode", "OneDeck", "UpDown", "CollapseRegime", "ForegroundColor",
                                 "Top", "Width", "MinMax", "FirstBoot"};
    const std::int32_t numbers[] = {0, 1, -1, 2, 3, 7, INT32_MIN, INT32_MAX, -640};
    std::mt19937 random(4711);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        test::TemporaryStore store;
        test::SettingsScope scope(test::ProcessStart);
        for (int i = round == 0 ? 0 : static_cast<int>(random() % 30); i > 0; --i) {
            std::string name = names[random() % std::size(names)];
            std::ranges::for_each(name, [&](char& c) { c = static_cast<char>(c ^ (random() % 2 ? 0x20 : 0)); });
            const std::int32_t number = random() % 2 ? numbers[random() % std::size(numbers)] : std::int32_t(random());
            const std::string text(random() % 100 ? random() % 40 : 1 << 20, 'A');
            random() % 3 ? WriteRegistryDword(User, Key, name, number) : WriteRegistryString(User, Key, name, text);
        }
        test::ScribbleOverStore(random, names);
        WindowPlacement placement, reloaded;
        LoadSettings(placement);
        if (round == 0) {
            // The defaults: Beep, Music, ClearStacks, GetFaster, SwapMode, OneDeck, EndOnShuffle, LastStack,
            // UpDown, CollapseRegime, ShowNagDlg, ForegroundColor, BackgroundColor, minMeldLength, dropInterval.
            EXPECT_EQ(Fields(settings), (std::array{1, 1, 0, 1, 3, 2, 0, 1, 1, 1, 1, 8454016, 16384, 3, 800}));
        }
        Settings derived = settings;
        derived.DeriveMinMeldLength();
        const bool playable = settings.UpDown == 1 || settings.UpDown == -1;
        EXPECT_EQ(std::tuple(settings.minMeldLength, playable, settings.dropInterval),
                  std::tuple(derived.minMeldLength, true, 800));
        EXPECT_TRUE(SaveSettings(placement));
        const Settings saved = settings;
        LoadSettings(reloaded);
        EXPECT_EQ(std::pair(Fields(settings), Fields(reloaded)), std::pair(Fields(saved), Fields(placement)));
        EXPECT_FALSE(IsFirstBoot());
    }
}

// Each copy starts at the save after the older one held and is killed at a
// random moment of its saving.
TEST(PerUserStore, AGameKilledWhileSavingKeepsEveryFinishedSaveAndNoHalfOfOne)
{
    test::TemporaryStore store;
    std::int32_t held = kHighScoreRowCount;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(RunSavingCopy(1, held), held);
    // Kills land within about three saves' time, however slow the machine is.
    const auto spent = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    const auto killWindow = std::max<std::int64_t>(150'000, spent.count() * 3 / held);
    std::mt19937 random(20240611);
    int finishedSaves = 0;
    // A loaded machine saves slowly: more rounds until enough saves finished.
    for (int round = 0; round < 40 || (finishedSaves <= 15 && round < 400); ++round) {
        const std::chrono::microseconds lifetime(1 + random() % killWindow);
        const std::int32_t finished = std::max(held, RunSavingCopy(held + 1, held + 1'000'000, lifetime));
        finishedSaves += finished - held;
        held = test::OlderSaveHeld();
        ASSERT_GE(held, finished) << "round " << round << " (-1: a save only half kept)";
    }
    EXPECT_GT(finishedSaves, 15);
}

// Each copy enters its score into the list as it is stored at that moment,
// so the list ends with the best ten of both.
TEST(PerUserStore, TwoCopiesSavingAtOnceLoseNoSave)
{
    test::TemporaryStore store;
    auto other = std::async(std::launch::async, [] { return RunSavingCopy(1, 60); });
    const std::int32_t one = RunSavingCopy(1, 60);
    EXPECT_EQ(std::pair(one, other.get()), std::pair(60, 60)) << "the later copy waits for the earlier";
    EXPECT_EQ(test::SavesHeld(), std::pair(60, std::vector<std::int32_t>{60, 60, 59, 59, 58, 58, 57, 57, 56, 56}));
}

} // namespace
} // namespace tw
