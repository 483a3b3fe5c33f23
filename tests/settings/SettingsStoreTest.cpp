#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <random>
#include <thread>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/PerUserStore.h"
#include "platform/sqlite/PerUserStoreFile.h"
#include "settings/HighScoreTable.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/FakeDialog.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;
constexpr std::string_view Key = kTumblewickKey;
constexpr std::int32_t Unset = -77;

std::int32_t Number(std::string_view name) { return ReadRegistryDword(User, Key, name, Unset); }

auto Text(std::string_view name, std::size_t bufferSize = 64) { return test::StoredText(Key, name, bufferSize); }

unsigned Mode(const fs::path& path) { return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask); }

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

    // Clearing the high score list, in any spelling, leaves the settings alone.
    ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name0", "Ann") && WriteRegistryDword(User, Key, "Beep", 0));
    EXPECT_TRUE(DeleteRegistryKey(User, "SOFTWARE\\brindlecove\\Tumblewick\\highscores"));
    EXPECT_EQ(std::pair(Number("Beep"), test::StoredText(kHighScoresKey, "Name0")), std::pair(0, std::optional<std::string>()));
}

TEST(PerUserStore, LivesInAPrivateFileInAPrivateFolderOrSaysOnceWhyItCannot)
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
    // root) leaves the game on its defaults. Reads say nothing of it, failed
    // saves one line for the run: CTest runs every case in a process of its
    // own, and no case before this one fails to save.
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Number("Beep"), Unset);
    EXPECT_FALSE(WriteRegistryDword(User, Key, "Beep", 0) || DeleteRegistryKey(User, Key) ||
                 WriteRegistryString(User, kHighScoresKey, "Name0", "Ann") || SaveSettings(WindowPlacement{}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Tumblewick: cannot save settings to " + PerUserStorePath().string() + ": Not a directory\n");
}

using test::Fields, test::kEntered, test::OlderSaveHeld, test::ProcessStart, test::SavesHeld;

// A copy of the game saving first, first + 1, ... last, telling `report` (if
// any) of each save that has returned; it exits with 1 when a save fails.
pid_t StartSaving(std::int32_t first, std::int32_t last, int report = -1)
{
    const pid_t child = fork();
    for (std::int32_t k = first; child == 0; ++k) {
        const bool saved = test::Save(k) && (report < 0 || write(report, &k, sizeof k) == sizeof k);
        if (!saved || k == last) {
            _exit(saved ? 0 : 1);
        }
    }
    return child;
}

// Each copy starts at the save after the older one held.
TEST(PerUserStore, AGameKilledWhileSavingKeepsEveryFinishedSaveAndNoHalfOfOne)
{
    test::TemporaryStore store;
    std::int32_t held = kHighScoreRowCount;
    const auto started = std::chrono::steady_clock::now();
    const pid_t first = StartSaving(1, held);
    ASSERT_EQ(waitpid(first, nullptr, 0), first);
    // Kills land within about three saves' time, however slow the machine is.
    const auto spent = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    const auto killWindow = std::max<long>(80'000, spent.count() * 3 / held);
    std::mt19937 random(20240611);
    int finishedSaves = 0;
    for (int round = 0; round < 30 || (finishedSaves <= 15 && round < 300); ++round) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = StartSaving(held + 1, held + 1'000'000, report[1]);
        ASSERT_GT(child, 0);
        close(report[1]);
        usleep(static_cast<useconds_t>(random() % killWindow));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::int32_t finished = held;
        for (; read(report[0], &finished, sizeof finished) == sizeof finished; ++finishedSaves) {}
        close(report[0]);
        ASSERT_TRUE(PerUserStoreIsIntact()) << "round " << round;
        held = OlderSaveHeld();
        ASSERT_GE(held, finished) << "round " << round << " (-1: a save only half kept)";
    }
    EXPECT_GT(finishedSaves, 15);
}

// Each copy enters its score into the list as it is stored at that moment,
// so the list ends with the best ten of both.
TEST(PerUserStore, TwoCopiesSavingAtOnceLoseNoSave)
{
    test::TemporaryStore store;
    for (const pid_t copy : {StartSaving(1, 60), StartSaving(1, 60)}) {
        int status = 0;
        ASSERT_EQ(waitpid(copy, &status, 0), copy);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the later copy waits for the earlier";
    }
    EXPECT_EQ(SavesHeld(), std::pair(60, std::vector<std::int32_t>{60, 60, 59, 59, 58, 58, 57, 57, 56, 56}));
}

// The disk fills up while the list is written: a file that may not grow to
// its full size again tears the write of its last page, where the list is.
TEST(HighScoreTable, ASaveThatFailsPartwayLeavesTheStoredListAsItWas)
{
    test::TemporaryStore store;
    for (int row = 0; row < kHighScoreRowCount; ++row) { // whole entries of saves 10 down to 1
        for (const char* stem : {"Name", "Score"}) {
            WriteRegistryString(User, kHighScoresKey, stem + std::to_string(row), std::to_string(kEntered + 10 - row));
        }
    }
    test::FakeDialog dialog; // a new score on row 0, its name and score as long as they can be
    dialog.items[kFirstHighScoreNameItem].text = dialog.items[kFirstHighScoreScoreItem].text =
        std::string(kHighScoreTextBuffer - 1, '9');
    rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full = {fs::file_size(PerUserStorePath()) - 100, limit.rlim_max};
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    EXPECT_FALSE(SaveHighScores(dialog, 0));
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(SavesHeld().second, (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

// Holds the store as an sqlite3 shell's BEGIN EXCLUSIVE does, and lets it go
// after three seconds, setting `released` just before.
std::jthread HoldLocked(std::atomic<bool>& released)
{
    sqlite3* db = nullptr;
    sqlite3_open(PerUserStorePath().c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    return std::jthread([db, &released] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        released = true;
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    });
}

// From now on the system fails this thread's reads of a file past its first
// 4096 bytes with EIO, as a failing disk does: the store's first page still
// reads, none of its others.
void FailReadsPastTheFirstPage()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pread64, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[3])), // the offset's low half
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 4096, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
    ASSERT_EQ(prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
    ASSERT_EQ(prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program), 0); // this thread only
}

// A store found damaged is moved aside and a fresh one started. One that only
// cannot be read, held locked or failing its reads (which SQLite reports as a
// malformed database), stays where it is: the game starts at once on the
// defaults, and its save at close keeps every stored value but the one the
// player changed.
TEST(SettingsStore, ADamagedStoreIsMovedAsideAndOneThatCannotBeReadIsKept)
{
    for (const std::string how :
         {"truncated", "cut to its header", "garbage", "from a later version", "locked", "failing reads"}) {
        SCOPED_TRACE(how);
        const bool damaged = how != "locked" && how != "failing reads";
        test::TemporaryStore store;
        test::SettingsScope scope([](Settings& s) { s.Beep = 0, s.SwapMode = 1, s.UpDown = -1, s.BackgroundColor = 5; });
        for (int i = 0; i < 40; ++i) { // several pages' worth
            ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name" + std::to_string(i), std::string(300, 'x')));
        }
        const WindowPlacement stored = {100, 120, 800, 600, 2}, closed = {5, 5, 700, 500, 0};
        ASSERT_TRUE(SaveSettings(stored));
        Settings expected = damaged ? Settings::Defaults() : settings;
        expected.Music = 0;
        const fs::path file = PerUserStorePath();
        if (how == "garbage") {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(8192, '\x5A');
        } else if (how == "from a later version") { // the header's user_version
            std::fstream(file, std::ios::binary | std::ios::in | std::ios::out).seekp(60).write("\0\0\0\x02", 4);
        } else if (damaged) {
            fs::resize_file(file, how == "truncated" ? fs::file_size(file) / 2 : 100);
        }
        const auto expectedAside = damaged ? std::vector{fs::file_size(file)} : std::vector<std::uintmax_t>();

        std::atomic<bool> released = false;
        std::jthread holder = how == "locked" ? HoldLocked(released) : std::jthread();
        WindowPlacement placement;
        std::thread([&] {
            if (how == "failing reads") {
                FailReadsPastTheFirstPage();
            }
            LoadSettings(placement);
        }).join();
        EXPECT_FALSE(released) << "the start waited for the lock";
        EXPECT_EQ(std::pair(Fields(settings), Fields(placement)),
                  std::pair(Fields(Settings::Defaults()), Fields(WindowPlacement{0, 0, 640, 460, 0})));
        holder = {}; // waits until the store is let go
        std::vector<std::uintmax_t> movedAside;
        for (const fs::path& path : fs::directory_iterator(file.parent_path())) {
            if (path.filename().string().starts_with("tumblewick.sqlite.damaged-")) {
                movedAside.push_back(fs::file_size(path));
            }
        }
        EXPECT_EQ(movedAside, expectedAside);
        settings.Music = 0; // in the Options dialog
        EXPECT_TRUE(SaveSettings(closed));
        LoadSettings(placement);
        EXPECT_EQ(std::pair(Fields(settings), Fields(placement)),
                  std::pair(Fields(expected), Fields(damaged ? closed : stored)));
    }
}

// Whatever the store holds (nothing, odd numbers, strings up to a megabyte,
// names in any case, bytes scribbled over the file), the game starts with a
// playable orientation and the meld length of the stored rule set, and a save
// leaves a store that reads back what was saved. That the other values load as
// stored the kill rounds show.
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
        for (int i = round == 0 ? 0 : static_cast<int>(random() % 30); i > 0; --i) {
            std::string name = names[random() % std::size(names)];
            std::ranges::for_each(name, [&](char& c) { c = static_cast<char>(c ^ (random() % 2 ? 0x20 : 0)); });
            const std::int32_t number = random() % 2 ? numbers[random() % std::size(numbers)] : std::int32_t(random());
            const std::string text(random() % 100 ? random() % 40 : 1 << 20, 'A');
            random() % 3 ? WriteRegistryDword(User, Key, name, number) : WriteRegistryString(User, Key, name, text);
        }
        const fs::path file = PerUserStorePath();
        for (int flips = fs::exists(file) && random() % 3 == 0 ? 1 + random() % 8 : 0; flips > 0; --flips) {
            std::fstream(file, std::ios::binary | std::ios::in | std::ios::out)
                .seekp(static_cast<std::streamoff>(random() % fs::file_size(file)))
                .put(static_cast<char>(random()));
        }
        WindowPlacement placement, reloaded;
        LoadSettings(placement);
        if (round == 0) {
            // The defaults: Beep, Music, ClearStacks, GetFaster, SwapMode, OneDeck, EndOnShuffle, LastStack,
            // UpDown, CollapseRegime, ShowNagDlg, ForegroundColor, BackgroundColor, minMeldLength, dropInterval.
            // The placement's defaults are the damaged stores' to show.
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

} // namespace
} // namespace tw
