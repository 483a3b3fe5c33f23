#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/PerUserStoreDriver.h"
#include "platform/win32/RegistryKey.h"
#include "support/SaveRounds.h"
#include "support/TemporaryStore.h"

// What only the registry does as the per-user store: the names and types
// other programs see there, and the journal that makes a save whole.
namespace tw {

namespace {

const std::wstring kGameKey = L"Software\\Brindlecove\\Tumblewick";

// Stores the bytes of `data` as a value of the given type.
template <typename Data> void Put(const std::wstring& key, const std::wstring& name, DWORD type, const Data& data)
{
    const RegistryKey at = RegistryKey::Create(HKEY_CURRENT_USER, key);
    ASSERT_EQ(RegSetValueExW(at.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(&data), sizeof data), 0);
}

void PutNumber(const std::wstring& key, const std::wstring& name, DWORD n) { Put(key, name, REG_DWORD, n); }

using NameSet = std::set<std::wstring>;

// The names under a key: its subkeys, or its values of one type.
NameSet Names(const std::wstring& key, std::optional<DWORD> ofType = std::nullopt)
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

// A save leaves the settings as REG_DWORDs spelt as the game spells them;
// values of the other types the registry has read as missing.
TEST(RegistryStore, SettingsAreNumbersUnderTheirNamesAndOtherTypesReadAsMissing)
{
    test::TemporaryStore store;
    ASSERT_TRUE(SaveSettings({100, 120, 800, 600, WindowShowState::Maximized}));
    EXPECT_EQ(Names(kGameKey, REG_DWORD),
              (NameSet{L"BackgroundColor", L"Beep", L"ClearStacks", L"CollapseRegime", L"EndOnShuffle", L"FirstBoot",
                       L"ForegroundColor", L"GetFaster", L"Height", L"LastStack", L"Left", L"MinMax", L"Music",
                       L"OneDeck", L"ShowNagDlg", L"SwapMode", L"Top", L"UpDown", L"Width"}));

    Put(kGameKey, L"Beep", REG_SZ, L"5");
    Put(kGameKey, L"Music", REG_QWORD, std::uint64_t{7});
    Put(kGameKey, L"UpDown", REG_BINARY, std::int32_t{-1});
    const Settings loaded = test::LoadedSettings().first, defaults = Settings::Defaults();
    EXPECT_EQ(std::tuple(loaded.Beep, loaded.Music, loaded.UpDown), std::tuple(defaults.Beep, defaults.Music, defaults.UpDown));
}

// What a save killed at each of its steps leaves, and which save the next
// read finds: the old one until the save's journal was complete, then the
// new one, even over a key the save had half made, and whichever of the
// save's keys is read first.
TEST(RegistryStore, ASaveKilledAtAnyStepIsSettledAtTheNextRead)
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
    const auto number = [](const char* name) { return ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, 9); };
    for (const auto& [step, key, complete, read] : cases) {
        SCOPED_TRACE(step);
        test::TemporaryStore store;
        if (key) {
            PutNumber(kGameKey, L"Beep", key->first);
            PutNumber(kGameKey, L"Music", key->second);
        }
        PutNumber(pending, L"Beep", 0);
        Put(pending + L"\\KeptGame", L"Game", REG_SZ, L"new");
        if (complete) {
            PutNumber(pending, L"Music", 0);
            PutNumber(pending, L"Tumblewick.SaveComplete", 1);
        }
        const std::optional<std::string> kept = complete ? std::optional<std::string>("new") : std::nullopt;
        EXPECT_EQ(std::tuple(test::StoredText(kKeptGameKey, kKeptGameName), number("Beep"), number("Music")),
                  std::tuple(kept, read.first, read.second)) << "the kept game, saved with them, read first";
        EXPECT_EQ(std::pair(Names(L"Software\\Brindlecove"), Names(kGameKey, REG_DWORD)),
                  std::pair(NameSet{L"Tumblewick"}, NameSet{L"Beep", L"Music"}));
    }
}

} // namespace

// Takes the turn every copy of the game takes to save; the mutex keeps out
// every thread but this one.
std::shared_ptr<void> test::HoldStoreAsAnotherProgram()
{
    const HANDLE turn = CreateMutexW(nullptr, FALSE, L"Local\\Brindlecove.Tumblewick.Store");
    EXPECT_EQ(WaitForSingleObject(turn, INFINITE), WAIT_OBJECT_0);
    return std::shared_ptr<void>(turn, [](HANDLE held) {
        ReleaseMutex(held);
        CloseHandle(held);
    });
}

// A volatile company key, under which no key that outlives the session may be made.
std::string test::MakeStoreUnwritable()
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brindlecove", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegCloseKey(key);
    // The system's own words for why follow in the system's language.
    return "HKEY_CURRENT_USER\\Software\\Brindlecove\\Tumblewick: ";
}

// Gives some of the names, in the game's key, types and sizes the game never
// writes.
void test::ScribbleOverStore(std::mt19937& random, std::span<const char* const> names)
{
    for (auto flips = random() % 3 == 0 ? 1 + random() % 8 : 0; flips > 0; --flips) {
        const std::uint64_t bytes = std::uint64_t{random()} << 32 | random();
        const std::string_view name = names[random() % names.size()];
        RegSetKeyValueW(HKEY_CURRENT_USER, kGameKey.c_str(), std::wstring(name.begin(), name.end()).c_str(),
                        random() % 12, &bytes, 1 + random() % 8);
    }
}

} // namespace tw
