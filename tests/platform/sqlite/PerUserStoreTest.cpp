#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <thread>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include "platform/PerUserStoreDriver.h"
#include "platform/sqlite/PerUserStoreFile.h"
#include "settings/HighScoreTable.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/FakeDialog.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

// What only the SQLite file does as the per-user store: where it lives and
// who may read it, and what a damaged file, a failing disk or a full one do.
namespace tw {

namespace {

namespace fs = std::filesystem;
constexpr RegistryRoot User = RegistryRoot::CurrentUser;
constexpr std::string_view Key = kTumblewickKey;
constexpr std::int32_t Unset = -77;

std::int32_t Number(std::string_view name) { return ReadRegistryDword(User, Key, name, Unset); }

unsigned Mode(const fs::path& path) { return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask); }

TEST(SqliteStore, LivesInAPrivateFileInAPrivateFolder)
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
}

// The disk fills up while the list is written: a file that may not grow to
// its full size again tears the write of its last page, where the list is.
TEST(SqliteStore, ASaveThatFailsPartwayLeavesTheStoredListAsItWas)
{
    test::TemporaryStore store;
    for (int row = 0; row < kHighScoreRowCount; ++row) { // whole entries of saves 10 down to 1
        for (const char* stem : {"Name", "Score"}) {
            WriteRegistryString(User, kHighScoresKey, stem + std::to_string(row), std::to_string(test::kEntered + 10 - row));
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
    EXPECT_EQ(test::SavesHeld().second, (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
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

// A file found damaged is moved aside and a fresh store started, as if there
// had been none. One that only cannot be read, failing its reads (which
// SQLite reports as a malformed database), stays where it is, as one held by
// another program does: the game starts on the defaults, and its save at
// close keeps every stored value but the one the player changed.
TEST(SqliteStore, ADamagedFileIsMovedAsideAndOneFailingItsReadsIsKept)
{
    for (const std::string how : {"truncated", "cut to its header", "garbage", "from a later version", "failing reads"}) {
        SCOPED_TRACE(how);
        const bool damaged = how != "failing reads";
        test::TemporaryStore store;
        test::SettingsScope scope([](Settings& s) { s.Beep = 0, s.SwapMode = 1, s.UpDown = -1, s.BackgroundColor = 5; });
        for (int i = 0; i < 40; ++i) { // several pages' worth
            ASSERT_TRUE(WriteRegistryString(User, kHighScoresKey, "Name" + std::to_string(i), std::string(300, 'x')));
        }
        const WindowPlacement stored = {100, 120, 800, 600, WindowShowState::Maximized}, closed = {5, 5, 700, 500};
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

        WindowPlacement placement;
        std::thread([&] {
            if (!damaged) {
                FailReadsPastTheFirstPage();
            }
            LoadSettings(placement);
        }).join();
        EXPECT_EQ(std::pair(test::Fields(settings), test::Fields(placement)),
                  std::pair(test::Fields(Settings::Defaults()), test::Fields(WindowPlacement{0, 0, 640, 460})));
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
        EXPECT_EQ(std::pair(test::Fields(settings), test::Fields(placement)),
                  std::pair(test::Fields(expected), test::Fields(damaged ? closed : stored)));
    }
}

} // namespace

// Holds the store as an sqlite3 shell's BEGIN EXCLUSIVE does.
std::shared_ptr<void> test::HoldStoreAsAnotherProgram()
{
    sqlite3* db = nullptr;
    sqlite3_open(PerUserStorePath().c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    return std::shared_ptr<void>(db, sqlite3_close);
}

// A file where the configuration folder should be: chmod would not stop root.
std::string test::MakeStoreUnwritable()
{
    const fs::path notAFolder = fs::path(std::getenv("XDG_CONFIG_HOME")) / "a-file";
    std::ofstream{notAFolder};
    setenv("XDG_CONFIG_HOME", notAFolder.c_str(), 1);
    return PerUserStorePath().string() + ": Not a directory";
}

// Scribbles over the file's bytes, whatever their names.
void test::ScribbleOverStore(std::mt19937& random, std::span<const char* const> /*names*/)
{
    const fs::path file = PerUserStorePath();
    for (auto flips = fs::exists(file) && random() % 3 == 0 ? 1 + random() % 8 : 0; flips > 0; --flips) {
        std::fstream(file, std::ios::binary | std::ios::in | std::ios::out)
            .seekp(static_cast<std::streamoff>(random() % fs::file_size(file)))
            .put(static_cast<char>(random()));
    }
}

} // namespace tw
