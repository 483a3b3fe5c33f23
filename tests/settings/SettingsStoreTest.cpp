#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <fstream>
#include <random>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/PerUserStore.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;
constexpr std::string_view Key = kTumblewickKey;
constexpr std::int32_t Unset = -77;

std::int32_t Number(std::string_view name, std::string_view key = Key) { return ReadRegistryDword(User, key, name, Unset); }

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

std::vector<std::uintmax_t> DamagedCopySizes()
{
    std::vector<std::uintmax_t> sizes;
    for (const fs::path& path : fs::directory_iterator(PerUserStorePath().parent_path())) {
        if (path.filename().string().starts_with("tumblewick.sqlite.damaged-")) {
            sizes.push_back(fs::file_size(path));
        }
    }
    return sizes;
}

TEST(PerUserStore, ValuesKeepTypeLengthAndKeyWhateverTheCaseOfTheirNames)
{
    test::TemporaryStore store;
    ASSERT_TRUE(WriteRegistryDword(User, Key, "Score9", -1) && WriteRegistryString(User, Key, "Name9", "Zoë ♣") &&
                WriteRegistryString(User, Key, "Empty", "") &&
                WriteRegistryString(User, Key, "Cut", std::string_view("ab\0cd", 5)));
    EXPECT_EQ(ReadRegistryDword(User, "software\\BRINDLECOVE\\tumblewick", "score9", 0), -1);
    EXPECT_EQ(std::pair(Number("Name9"), Number("Missing")), std::pair(Unset, Unset));
    const std::tuple<const char*, std::size_t, std::optional<std::string>> reads[] = {
        {"NAME9", 9, "Zoë ♣"}, {"name9", 8, std::nullopt}, {"Empty", 1, ""},  {"Empty", 0, std::nullopt}, // 8 bytes
        {"Cut", 3, "ab"},      {"Score9", 64, std::nullopt}, {"Missing", 64, std::nullopt},
    };
    for (const auto& [name, size, expected] : reads) {
        EXPECT_EQ(Text(name, size), expected) << name << " in " << size;
    }
    // Another spelling replaces the value, type and all.
    ASSERT_TRUE(WriteRegistryString(User, Key, "SCORE9", "now text"));
    EXPECT_EQ(std::pair(Number("Score9"), Text("score9")), std::pair(Unset, std::optional<std::string>("now text")));
    EXPECT_FALSE(WriteRegistryDword(User, "Software\\\\Twice", "X", 1));

    // Keys come with their parents, and only leaves are deleted.
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name0", "Ann") && WriteRegistryDword(User, Key, "Beep", 0));
    EXPECT_FALSE(DeleteRegistryKey(User, Key)); // has a subkey
    EXPECT_FALSE(DeleteRegistryKey(User, "Software\\Nobody"));
    EXPECT_TRUE(DeleteRegistryKey(User, "SOFTWARE\\brindlecove\\Tumblewick\\highscores"));
    EXPECT_FALSE(DeleteRegistryKey(User, kHighScoresKey));
    EXPECT_EQ(Number("Beep"), 0);
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name1", "Bo"));
    EXPECT_EQ(Text("Name0", 64, kHighScoresKey), std::nullopt); // a recreated key starts empty
    EXPECT_TRUE(DeleteRegistryKey(User, kHighScoresKey) && DeleteRegistryKey(User, Key));
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
    EXPECT_EQ(std::tuple(Mode(store.ConfigHome() / "not/yet"), Mode(file.parent_path()), Mode(file)),
              std::tuple(0700u, 0700u, 0600u));
    // Rollback journal: nothing but the store outlives a write.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    chmod(file.c_str(), 0644);
    EXPECT_EQ(Number("Beep"), 1);
    EXPECT_EQ(Mode(file), 0600u);

    // A file where the configuration folder should be (chmod would not stop
    // root) leaves the game on its defaults.
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);
    EXPECT_FALSE(WriteRegistryDword(User, Key, "Beep", 0) || DeleteRegistryKey(User, Key) ||
                 WriteRegistryString(User, kHighScoresKey, "Name0", "Ann"));
    EXPECT_EQ(std::pair(Number("Beep"), Text("Name0", 64, kHighScoresKey)), std::pair(Unset, std::optional<std::string>()));
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
        } else if (how == "from a later version") { // the header's user_version
            std::fstream(file, std::ios::binary | std::ios::in | std::ios::out).seekp(60).write("\0\0\0\x02", 4);
        } else {
            fs::resize_file(file, how == "truncated" ? fs::file_size(file) / 2 : 100);
        }
        const std::vector<std::uintmax_t> damaged = {fs::file_size(file)};
        EXPECT_EQ(Number("Beep"), Unset);
        EXPECT_EQ(DamagedCopySizes(), damaged);
        EXPECT_TRUE(WriteRegistryDword(User, Key, "Beep", 1));
        EXPECT_EQ(Number("Beep"), 1);
        EXPECT_TRUE(PerUserStoreIsIntact());
    }
}

std::string ValueName(int writer, int index) { return "w" + std::to_string(writer) + "v" + std::to_string(index); }

// A child process writing ValueName(writer, 0, 1, ...), reporting each index
// through `report` (if any) once its write has returned true.
pid_t StartWriter(int writer, int count, int report = -1)
{
    const pid_t child = fork();
    if (child == 0) {
        for (int i = 0; i < count; ++i) {
            if (!WriteRegistryDword(User, Key, ValueName(writer, i), i) ||
                (report >= 0 && write(report, &i, sizeof i) != sizeof i)) {
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
    int finished = 0;
    for (int round = 0; round < 30; ++round) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = StartWriter(round, 1 << 30, report[1]);
        ASSERT_GT(child, 0);
        close(report[1]);
        usleep(random() % 80000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_TRUE(PerUserStoreIsIntact()) << "round " << round;
        for (int index = 0; read(report[0], &index, sizeof index) == sizeof index; ++finished) {
            EXPECT_EQ(Number(ValueName(round, index)), index) << ValueName(round, index);
        }
        close(report[0]);
    }
    EXPECT_GT(finished, 30);
    EXPECT_TRUE(DamagedCopySizes().empty());
}

TEST(PerUserStore, TwoCopiesWritingAtOnceLoseNothing)
{
    test::TemporaryStore store;
    constexpr int Writes = 150;
    for (const pid_t writer : {StartWriter(0, Writes), StartWriter(1, Writes)}) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int i = 0; i < 2 * Writes; ++i) {
        EXPECT_EQ(Number(ValueName(i % 2, i / 2)), i / 2);
    }
}

// Both records are nothing but 32-bit numbers.
template <typename T> auto Fields(const T& record)
{
    return std::bit_cast<std::array<std::int32_t, sizeof(T) / sizeof(std::int32_t)>>(record);
}

// Every field 0, as at process start.
void ProcessStart(Settings& s) { s = Settings{}; }

// An empty store (or a value of the wrong type) gives the defaults, and only
// an orientation that would stop the game is mended; the save writes what
// was loaded.
TEST(SettingsStore, LoadsDefaultsAndMendsOnlyAnOrientationThatWouldStopTheGame)
{
    // Name, stored, field, loaded and saved back, minimum meld length.
    const std::tuple<const char*, std::int32_t, std::int32_t Settings::*, std::int32_t, std::int32_t> cases[] = {
        {nullptr, 0, &Settings::SwapMode, 3, 3},         {"UpDown", 0, &Settings::UpDown, 1, 3},
        {"UpDown", INT32_MIN, &Settings::UpDown, 1, 3},  {"UpDown", -1, &Settings::UpDown, -1, 3},
        {"SwapMode", 9, &Settings::SwapMode, 9, 3},      {"CollapseRegime", 7, &Settings::CollapseRegime, 7, 0},
        {"CollapseRegime", 3, &Settings::CollapseRegime, 3, 2},
        {"ForegroundColor", -1, &Settings::ForegroundColor, -1, 3},
    };
    for (const auto& [name, stored, field, loaded, minMeldLength] : cases) {
        SCOPED_TRACE(testing::Message() << (name ? name : "nothing") << " " << stored);
        test::TemporaryStore store;
        test::SettingsScope scope(ProcessStart);
        name ? void(WriteRegistryDword(User, Key, name, stored)) : void(WriteRegistryString(User, Key, "SwapMode", "1"));
        WindowPlacement placement{9, 9, 9, 9, 9};
        LoadSettings(placement);
        EXPECT_EQ(std::tuple(settings.*field, settings.minMeldLength), std::tuple(loaded, minMeldLength));
        EXPECT_EQ(Fields(placement), Fields(WindowPlacement{0, 0, 640, 460, 0}));
        EXPECT_TRUE(name || Fields(settings) == Fields(Settings::Defaults()));
        EXPECT_TRUE(IsFirstBoot());
        SaveSettings(placement);
        EXPECT_FALSE(IsFirstBoot());
        EXPECT_EQ(Number(name ? name : "SwapMode"), loaded);
    }
}

// Whatever the store holds (odd numbers, strings up to a megabyte, names in
// any case, bytes scribbled over the file), the game starts with a playable
// orientation, and a save leaves a store that reads back what was saved.
TEST(SettingsStore, SurvivesAnyStoreContents)
{
    const char* const names[] = {"Beep", "SwapMode", "OneDeck", "UpDown", "CollapseRegime", "ForegroundColor",
                                 "Top", "Width", "MinMax", "FirstBoot"};
    const std::int32_t numbers[] = {0, 1, -1, 2, 3, 7, INT32_MIN, INT32_MAX, -640};
    std::mt19937 random(4711);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        test::TemporaryStore store;
        test::SettingsScope scope(ProcessStart);
        for (int i = static_cast<int>(random() % 30); i > 0; --i) {
            std::string name = names[random() % std::size(names)];
            std::ranges::for_each(name, [&](char& c) { c = static_cast<char>(c ^ (random() % 2 ? 0x20 : 0)); });
            if (random() % 3 == 0) {
                WriteRegistryString(User, Key, name, std::string(random() % 100 == 0 ? 1 << 20 : random() % 40, 'A'));
            } else {
                WriteRegistryDword(User, Key, name,
                                   random() % 2 ? numbers[random() % std::size(numbers)] : static_cast<std::int32_t>(random()));
            }
        }
        const fs::path file = PerUserStorePath();
        for (int flips = fs::exists(file) && random() % 3 == 0 ? 1 + random() % 8 : 0; flips > 0; --flips) {
            std::fstream(file, std::ios::binary | std::ios::in | std::ios::out)
                .seekp(static_cast<std::streamoff>(random() % fs::file_size(file)))
                .put(static_cast<char>(random()));
        }
        WindowPlacement placement, reloaded;
        LoadSettings(placement);
        EXPECT_TRUE(settings.UpDown == 1 || settings.UpDown == -1);
        EXPECT_EQ(settings.dropInterval, 800);
        SaveSettings(placement);
        const Settings saved = settings;
        LoadSettings(reloaded);
        EXPECT_EQ(std::pair(Fields(settings), Fields(reloaded)), std::pair(Fields(saved), Fields(placement)));
        EXPECT_FALSE(IsFirstBoot());
    }
}

} // namespace
} // namespace tw
