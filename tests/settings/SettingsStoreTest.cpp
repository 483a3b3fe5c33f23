#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/PerUserStore.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;
constexpr std::string_view Key = kTumblewickKey;
constexpr std::int32_t Unset = -77;

std::int32_t Number(std::string_view name, std::string_view key = Key)
{
    return ReadRegistryDword(User, key, name, Unset);
}

std::optional<std::string> Text(std::string_view name, std::size_t bufferSize = 64, std::string_view key = Key)
{
    std::string text = "stale";
    if (ReadRegistryString(User, key, name, text, bufferSize)) {
        return text;
    }
    EXPECT_EQ(text, bufferSize != 0 ? "" : "stale") << name;
    return std::nullopt;
}

unsigned Mode(const fs::path& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::vector<fs::path> DamagedCopies()
{
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(PerUserStorePath().parent_path())) {
        if (entry.path().filename().string().starts_with("tumblewick.sqlite.damaged-")) {
            copies.push_back(entry.path());
        }
    }
    return copies;
}

TEST(PerUserStore, ValuesKeepTheirTypeAndLengthWhateverTheCaseOfTheirNames)
{
    test::TemporaryStore store;
    ASSERT_TRUE(WriteRegistryDword(User, Key, "Score9", -1));
    ASSERT_TRUE(WriteRegistryString(User, Key, "Name9", "Zoë ♣")); // 8 bytes
    ASSERT_TRUE(WriteRegistryString(User, Key, "Empty", ""));
    ASSERT_TRUE(WriteRegistryString(User, Key, "Cut", std::string_view("ab\0cd", 5)));
    EXPECT_EQ(ReadRegistryDword(User, "software\\BRINDLECOVE\\tumblewick", "score9", 0), -1);
    EXPECT_EQ(Number("Name9"), Unset);
    EXPECT_EQ(Number("Missing"), Unset);
    const struct {
        const char* name;
        std::size_t size;
        std::optional<std::string> expected;
    } reads[] = {
        {"NAME9", 9, "Zoë ♣"}, {"name9", 8, std::nullopt}, {"Empty", 1, ""},  {"Empty", 0, std::nullopt},
        {"Cut", 3, "ab"},      {"Score9", 64, std::nullopt}, {"Missing", 64, std::nullopt},
    };
    for (const auto& read : reads) {
        EXPECT_EQ(Text(read.name, read.size), read.expected) << read.name << " in " << read.size;
    }
    // Another spelling replaces the value, type and all.
    ASSERT_TRUE(WriteRegistryString(User, Key, "SCORE9", "now text"));
    EXPECT_EQ(Number("Score9"), Unset);
    EXPECT_EQ(Text("score9"), "now text");
    EXPECT_FALSE(WriteRegistryDword(User, "Software\\\\Twice", "X", 1));
}

TEST(PerUserStore, KeysComeWithTheirParentsAndOnlyLeavesAreDeleted)
{
    test::TemporaryStore store;
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name0", "Ann"));
    ASSERT_TRUE(WriteRegistryDword(User, Key, "Beep", 0));
    EXPECT_FALSE(DeleteRegistryKey(User, Key)); // has a subkey
    EXPECT_FALSE(DeleteRegistryKey(User, "Software\\Nobody"));
    EXPECT_TRUE(DeleteRegistryKey(User, "SOFTWARE\\brindlecove\\Tumblewick\\highscores"));
    EXPECT_FALSE(DeleteRegistryKey(User, kHighScoresKey));
    EXPECT_EQ(Number("Beep"), 0);
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name1", "Bo"));
    EXPECT_EQ(Text("Name0", 64, kHighScoresKey), std::nullopt); // a recreated key starts empty
    EXPECT_TRUE(DeleteRegistryKey(User, kHighScoresKey));
    EXPECT_TRUE(DeleteRegistryKey(User, Key));
    EXPECT_EQ(Number("Beep"), Unset);
}

TEST(PerUserStore, LivesInAPrivateFileInAPrivateFolderOrNowhere)
{
    test::TemporaryStore store;
    setenv("XDG_CONFIG_HOME", (store.ConfigHome() / "not/yet").c_str(), 1);
    const fs::path file = PerUserStorePath();
    EXPECT_EQ(file, store.ConfigHome() / "not/yet/Tumblewick/tumblewick.sqlite");
    EXPECT_EQ(Number("Beep"), Unset);
    EXPECT_FALSE(fs::exists(store.ConfigHome() / "not")) << "a read must not create the store";

    const mode_t previous = umask(0);
    EXPECT_TRUE(WriteRegistryDword(User, Key, "Beep", 1));
    umask(previous);
    EXPECT_EQ(Mode(store.ConfigHome() / "not/yet"), 0700u);
    EXPECT_EQ(Mode(file.parent_path()), 0700u);
    EXPECT_EQ(Mode(file), 0600u);
    // Rollback journal: nothing but the store outlives a write.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    chmod(file.c_str(), 0644);
    EXPECT_EQ(Number("Beep"), 1);
    EXPECT_EQ(Mode(file), 0600u);

    // A file where the configuration folder should be (chmod would not stop
    // root) leaves the game on its defaults.
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);
    EXPECT_FALSE(WriteRegistryDword(User, Key, "Beep", 0));
    EXPECT_FALSE(WriteRegistryString(User, kHighScoresKey, "Name0", "Ann"));
    EXPECT_FALSE(DeleteRegistryKey(User, Key));
    EXPECT_EQ(Number("Beep"), Unset);
    EXPECT_EQ(Text("Name0", 64, kHighScoresKey), std::nullopt);
}

TEST(PerUserStore, ADamagedStoreIsMovedAsideAndAFreshOneStarted)
{
    for (const std::string how : {"truncated", "cut to its header", "garbage", "from a later version"}) {
        SCOPED_TRACE(how);
        test::TemporaryStore store;
        for (int i = 0; i < 40; ++i) { // several pages' worth
            ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name" + std::to_string(i), std::string(300, 'x')));
        }
        ASSERT_TRUE(WriteRegistryDword(User, Key, "Beep", 0));
        const fs::path file = PerUserStorePath();
        if (how == "garbage") {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(8192, '\x5A');
        } else if (how == "from a later version") {
            std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
            out.seekp(60).write("\0\0\0\x02", 4); // the header's user_version
        } else {
            fs::resize_file(file, how == "truncated" ? fs::file_size(file) / 2 : 100);
        }
        const auto damagedSize = fs::file_size(file);

        EXPECT_EQ(Number("Beep"), Unset);
        const std::vector<fs::path> copies = DamagedCopies();
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(fs::file_size(copies[0]), damagedSize);
        EXPECT_TRUE(WriteRegistryDword(User, Key, "Beep", 1));
        EXPECT_EQ(Number("Beep"), 1);
        EXPECT_TRUE(PerUserStoreIsIntact());
    }
}

std::string ValueName(int writer, int index) { return "w" + std::to_string(writer) + "v" + std::to_string(index); }

// Runs a writer of values ValueName(writer, 0, 1, ...) in a child process,
// reporting each index through `report` once its write has returned true.
pid_t StartWriter(int writer, int count, int report)
{
    const pid_t child = fork();
    if (child == 0) {
        for (int i = 0; i < count; ++i) {
            if (!WriteRegistryDword(User, Key, ValueName(writer, i), i) || write(report, &i, sizeof i) != sizeof i) {
                _exit(1);
            }
        }
        _exit(0);
    }
    return child;
}

TEST(PerUserStore, AWriterKilledAtAnyMomentLeavesEveryFinishedWrite)
{
    test::TemporaryStore store;
    std::mt19937 random(20240611);
    std::vector<std::pair<std::string, int>> finished;
    for (int round = 0; round < 30; ++round) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = StartWriter(round, 1 << 30, report[1]);
        ASSERT_GT(child, 0);
        close(report[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 80000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (int index = 0; read(report[0], &index, sizeof index) == sizeof index;) {
            finished.emplace_back(ValueName(round, index), index);
        }
        close(report[0]);
        ASSERT_TRUE(PerUserStoreIsIntact()) << "round " << round;
    }
    EXPECT_GT(finished.size(), 30u);
    for (const auto& [name, value] : finished) {
        EXPECT_EQ(Number(name), value) << name;
    }
    EXPECT_TRUE(DamagedCopies().empty());
}

TEST(PerUserStore, TwoCopiesWritingAtOnceLoseNothing)
{
    test::TemporaryStore store;
    constexpr int Writes = 150;
    const int devNull = open("/dev/null", O_WRONLY);
    const pid_t writers[] = {StartWriter(0, Writes, devNull), StartWriter(1, Writes, devNull)};
    for (const pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    close(devNull);
    for (int i = 0; i < 2 * Writes; ++i) {
        EXPECT_EQ(Number(ValueName(i % 2, i / 2)), i / 2);
    }
}

auto Fields(const Settings& s)
{
    return std::tuple(s.Beep, s.Music, s.ClearStacks, s.GetFaster, s.SwapMode, s.OneDeck, s.EndOnShuffle,
                      s.LastStack, s.UpDown, s.CollapseRegime, s.ShowNagDlg, s.ForegroundColor,
                      s.BackgroundColor, s.minMeldLength, s.dropInterval);
}

auto Fields(const WindowPlacement& p) { return std::tuple(p.top, p.left, p.width, p.height, p.minMax); }

// Every field 0, as at process start.
void ProcessStart(Settings& s) { s = Settings{}; }

TEST(SettingsStore, AnEmptyStoreGivesTheDefaultsUntilTheFirstSave)
{
    test::TemporaryStore store;
    test::SettingsScope scope(ProcessStart);
    WriteRegistryString(User, Key, "SwapMode", "1"); // the wrong type reads as missing
    WindowPlacement placement{9, 9, 9, 9, 9};
    LoadSettings(placement);
    EXPECT_EQ(Fields(settings), Fields(Settings::Defaults()));
    EXPECT_EQ(std::tuple(settings.minMeldLength, settings.dropInterval), std::tuple(3, 800));
    EXPECT_EQ(Fields(placement), Fields(WindowPlacement{0, 0, 640, 460, 0}));
    EXPECT_TRUE(IsFirstBoot());

    settings.UpDown = -1; // the Options dialog's upside-down box turned off
    SaveSettings(placement);
    EXPECT_FALSE(IsFirstBoot());
    EXPECT_EQ(static_cast<std::uint32_t>(Number("UpDown")), 0xFFFFFFFFu);
    EXPECT_EQ(Number("SwapMode"), 3);
}

TEST(SettingsStore, OnlyAnOrientationThatWouldStopTheGameIsMended)
{
    const struct {
        const char* name;
        std::int32_t stored;
        std::int32_t Settings::*field;
        std::int32_t loaded;
        std::int32_t minMeldLength;
    } cases[] = {
        {"UpDown", 0, &Settings::UpDown, 1, 3},          {"UpDown", 5, &Settings::UpDown, 1, 3},
        {"UpDown", INT_MIN, &Settings::UpDown, 1, 3},    {"UpDown", -1, &Settings::UpDown, -1, 3},
        {"SwapMode", 9, &Settings::SwapMode, 9, 3},      {"OneDeck", -3, &Settings::OneDeck, -3, 3},
        {"CollapseRegime", 7, &Settings::CollapseRegime, 7, 0},
        {"CollapseRegime", 3, &Settings::CollapseRegime, 3, 2},
        {"ForegroundColor", -1, &Settings::ForegroundColor, -1, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.stored);
        test::TemporaryStore store;
        test::SettingsScope scope(ProcessStart);
        WriteRegistryDword(User, Key, c.name, c.stored);
        WindowPlacement placement;
        LoadSettings(placement);
        EXPECT_EQ(std::tuple(settings.*c.field, settings.minMeldLength), std::tuple(c.loaded, c.minMeldLength));
        SaveSettings(placement);
        EXPECT_EQ(Number(c.name), c.loaded);
    }
}

const char* const kNames[] = {"Beep", "Music", "ClearStacks", "GetFaster", "SwapMode", "OneDeck", "EndOnShuffle",
                              "LastStack", "UpDown", "CollapseRegime", "ShowNagDlg", "ForegroundColor",
                              "BackgroundColor", "Top", "Left", "Width", "Height", "MinMax", "FirstBoot"};

// Whatever the store holds (odd numbers, strings up to a megabyte, names in
// any case, bytes scribbled over the file), the game starts with a playable
// orientation, and a save leaves a store that reads back what was saved.
TEST(SettingsStore, SurvivesAnyStoreContents)
{
    std::mt19937 random(4711);
    const std::int32_t numbers[] = {0, 1, -1, 2, 3, 4, 5, 7, INT_MIN, INT_MAX, 0x7F000000, -640};
    for (int round = 0; round < 120; ++round) {
        SCOPED_TRACE(round);
        test::TemporaryStore store;
        test::SettingsScope scope(ProcessStart);
        for (int i = static_cast<int>(random() % 30); i > 0; --i) {
            std::string name = kNames[random() % std::size(kNames)];
            for (char& c : name) {
                c = static_cast<char>(random() % 2 ? std::toupper(c) : std::tolower(c));
            }
            const std::size_t length = random() % 100 == 0 ? 1 << 20 : random() % 40;
            if (random() % 3 == 0) {
                WriteRegistryString(User, Key, name, std::string(length, 'A'));
            } else {
                WriteRegistryDword(User, Key, name,
                                   random() % 2 ? numbers[random() % std::size(numbers)] : static_cast<std::int32_t>(random()));
            }
        }
        const std::filesystem::path file = PerUserStorePath();
        if (std::filesystem::exists(file) && random() % 3 == 0) {
            std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
            for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
                out.seekp(static_cast<std::streamoff>(random() % std::filesystem::file_size(file)));
                out.put(static_cast<char>(random()));
            }
        }

        WindowPlacement placement;
        LoadSettings(placement);
        EXPECT_TRUE(settings.UpDown == 1 || settings.UpDown == -1);
        EXPECT_EQ(settings.dropInterval, 800);
        SaveSettings(placement);
        const Settings saved = settings;
        WindowPlacement reloaded;
        LoadSettings(reloaded);
        EXPECT_EQ(Fields(settings), Fields(saved));
        EXPECT_EQ(Fields(reloaded), Fields(placement));
        EXPECT_FALSE(IsFirstBoot());
    }
}

} // namespace
} // namespace tw
