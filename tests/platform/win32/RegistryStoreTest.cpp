#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/SharedLibrary.h"
#include "platform/win32/RegistryKey.h"
#include "support/SaveRounds.h"

namespace tw {
namespace {

const std::wstring kGameKey = L"Software\\Brindlecove\\Tumblewick";

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brindlecove"); }
    void TearDown() override { SetUp(); }

    // Stores the bytes of `data` as a value of the given type.
    template <typename Data>
    static void Put(const std::wstring& key, const std::wstring& name, DWORD type, const Data& data)
    {
        const RegistryKey at = RegistryKey::Create(HKEY_CURRENT_USER, key);
        ASSERT_EQ(RegSetValueExW(at.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(&data), sizeof data), 0);
    }
    static void PutNumber(const std::wstring& key, const std::wstring& name, DWORD n) { Put(key, name, REG_DWORD, n); }
    static int Number(const char* name) { return ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, 9); }
    using NameSet = std::set<std::wstring>;
    // The names under a key: its subkeys, or its values of one type.
    static NameSet Names(const std::wstring& key, std::optional<DWORD> ofType = std::nullopt)
    {
        NameSet names;
        const RegistryKey opened = RegistryKey::Open(HKEY_CURRENT_USER, key, KEY_READ);
        wchar_t name[256];
        for (DWORD i = 0, size = 256, type = 0;
             (ofType ? RegEnumValueW(opened.Get(), i, name, &size, nullptr, &type, nullptr, nullptr)
                     : RegEnumKeyExW(opened.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr)) == 0;
             ++i, size = 256) {
            if (!ofType || type == *ofType) {
                names.emplace(name);
            }
        }
        return names;
    }
};

TEST_F(RegistryStore, SavesLandUnderTheGamesKeyWithTheirNamesAndTypesAndComeBack)
{
    test::SettingsScope scope([](Settings& s) { s.Beep = 0, s.UpDown = -1, s.BackgroundColor = 0x123456; });
    ASSERT_TRUE(SaveSettings({100, 120, 800, 600, 2}));
    ASSERT_TRUE(WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Name0", "Zoë ♣"));
    EXPECT_EQ(Names(kGameKey, REG_DWORD),
              (NameSet{L"BackgroundColor", L"Beep", L"ClearStacks", L"CollapseRegime", L"EndOnShuffle", L"FirstBoot",
                       L"ForegroundColor", L"GetFaster", L"Height", L"LastStack", L"Left", L"MinMax", L"Music",
                       L"OneDeck", L"ShowNagDlg", L"SwapMode", L"Top", L"UpDown", L"Width"}));

    const auto [loaded, placement] = test::LoadedSettings();
    EXPECT_EQ(std::tuple(loaded.Beep, loaded.UpDown, loaded.BackgroundColor, test::Fields(placement)),
              std::tuple(0, -1, 0x123456, test::Fields(WindowPlacement{100, 120, 800, 600, 2})));
    EXPECT_EQ(test::StoredText("SOFTWARE\\brindlecove\\tumblewick\\highscores", "name0"), "Zoë ♣");
}

TEST_F(RegistryStore, MissingOrWronglyTypedValuesReadAsTheirDefaults)
{
    Put(kGameKey, L"Beep", REG_SZ, L"5");
    Put(kGameKey, L"Music", REG_QWORD, std::uint64_t{7});
    Put(kGameKey, L"UpDown", REG_BINARY, std::uint32_t{1});
    PutNumber(kGameKey + L"\\HighScores", L"Name0", 5);
    const Settings loaded = test::LoadedSettings().first, defaults = Settings::Defaults();
    EXPECT_EQ(std::tuple(loaded.Beep, loaded.Music, loaded.UpDown, loaded.SwapMode),
              std::tuple(defaults.Beep, defaults.Music, defaults.UpDown, defaults.SwapMode));
    EXPECT_EQ(test::StoredText(kHighScoresKey, "Name0"), std::nullopt);
    EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, kTumblewickKey)) << "it has a subkey";
    EXPECT_TRUE(ClearHighScores());
    EXPECT_TRUE(Names(kGameKey).empty());
}

// What a save killed at each of its steps leaves, and which save the next
// read finds: the old one until the save's journal was complete, then the
// new one, even over a key the save had half made.
TEST_F(RegistryStore, ASaveKilledAtAnyStepIsSettledAtTheNextRead)
{
    const struct {
        const char* step;
        std::optional<std::pair<DWORD, DWORD>> key; // Beep and Music in the key itself, if it is there
        bool complete;                              // the journal, of a save of Beep 0 and Music 0
        std::pair<int, int> read;
    } cases[] = {
        {"writing the journal", std::pair(1, 1), false, {1, 1}},
        {"the journal complete", std::pair(1, 1), true, {0, 0}},
        {"the key half made", std::pair(0, 1), true, {0, 0}},
        {"a first save, journal complete", std::nullopt, true, {0, 0}},
    };
    const std::wstring pending = kGameKey + L".pending";
    for (const auto& [step, key, complete, read] : cases) {
        SCOPED_TRACE(step);
        SetUp();
        if (key) {
            PutNumber(kGameKey, L"Beep", key->first), PutNumber(kGameKey, L"Music", key->second);
        }
        PutNumber(pending, L"Beep", 0);
        if (complete) {
            PutNumber(pending, L"Music", 0), PutNumber(pending, L"Tumblewick.SaveComplete", 1);
        }
        EXPECT_EQ(std::pair(Number("Beep"), Number("Music")), read);
        EXPECT_EQ(std::pair(Names(L"Software\\Brindlecove"), Names(kGameKey, REG_DWORD)),
                  std::pair(NameSet{L"Tumblewick"}, NameSet{L"Beep", L"Music"}));
    }
}

// Copies of the game saving through the saver beside this program, each
// reporting the saves it finished into a file of its own.
class Saver {
public:
    Saver(int first, int last)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE report =
            CreateFileW(reportFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW start{};
        start.cb = sizeof start, start.dwFlags = STARTF_USESTDHANDLES, start.hStdOutput = report;
        std::wstring command = L"\"" + (ProgramDirectory() / "registry_saver.exe").wstring() + L"\" " +
                               std::to_wstring(first) + L" " + std::to_wstring(last);
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
        CloseHandle(report);
    }
    ~Saver() { Kill(), CloseHandle(child.hProcess), CloseHandle(child.hThread), std::filesystem::remove(reportFile); }
    // Ends the copy at once, as the system ends a program it kills.
    void Kill() { TerminateProcess(child.hProcess, 9), Wait(); }
    DWORD Wait()
    {
        DWORD code = 1;
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &code);
        return code;
    }
    // The last save it reported finished, `none` if none.
    int LastFinished(int none)
    {
        std::ifstream lines(reportFile);
        for (int k = 0; lines >> k;) {
            none = k;
        }
        return none;
    }

private:
    static inline int made = 0;
    const std::filesystem::path reportFile = ProgramDirectory() / ("saver-" + std::to_string(++made) + ".txt");
    PROCESS_INFORMATION child{};
};

TEST_F(RegistryStore, AGameKilledWhileSavingKeepsEveryFinishedSaveAndNoHalfOfOne)
{
    std::int32_t held = kHighScoreRowCount;
    ASSERT_EQ(Saver(1, held).Wait(), 0u);
    std::mt19937 random(20240611);
    int finishedSaves = 0;
    // A loaded machine starts the copies slowly: more rounds until enough saves finished.
    for (int round = 0; round < 40 || (finishedSaves <= 15 && round < 400); ++round) {
        Saver saver(held + 1, held + 1'000'000);
        Sleep(random() % 150);
        saver.Kill();
        const int finished = saver.LastFinished(held);
        finishedSaves += finished - held;
        held = test::OlderSaveHeld();
        ASSERT_GE(held, finished) << "round " << round << " (-1: a save only half kept)";
    }
    EXPECT_GT(finishedSaves, 15);
}

TEST_F(RegistryStore, TwoCopiesSavingAtOnceLoseNoSave)
{
    Saver one(1, 30), other(1, 30);
    EXPECT_EQ(std::pair(one.Wait(), other.Wait()), std::pair(0ul, 0ul)) << "the later copy waits for the earlier";
    EXPECT_EQ(test::SavesHeld(), std::pair(30, std::vector<std::int32_t>{30, 30, 29, 29, 28, 28, 27, 27, 26, 26}));
}

} // namespace
} // namespace tw
