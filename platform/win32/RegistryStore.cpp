#include "platform/PerUserStore.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/win32/RegistryKey.h"
#include "platform/win32/WideText.h"

// The per-user store is the registry under HKEY_CURRENT_USER. The registry
// writes one value at a time, so a save is first written whole into a
// journal beside its key ("Key.pending"), marked complete last, and only
// then made in the key itself. A save killed before the mark leaves a
// journal that is dropped; one killed after it is finished from the journal
// at the next read or save. A reader, which settles what a killed save left
// before it reads, so finds the values of one save or of the other, never a
// mix. The saves of every copy of the game take turns through a named mutex,
// which a copy that was killed while holding it gives up.
//
// (Renaming a whole new key into place would need no journal, but Wine's
// RegRenameKey loses track of renamed keys.)
namespace tw {
namespace {

constexpr DWORD kWriteWaitMs = 5000;
// A read waits only a moment, as another copy's save takes milliseconds;
// what could not be read is not known, which the callers keep apart from
// missing.
constexpr DWORD kReadWaitMs = 400;

const std::wstring kJournal = L".pending";
// Written last into a journal: the save in it is whole.
const std::wstring kCompleteMark = L"Tumblewick.SaveComplete";

class StoreTurn {
public:
    explicit StoreTurn(DWORD waitMs) : mutex(CreateMutexW(nullptr, FALSE, L"Local\\Brindlecove.Tumblewick.Store"))
    {
        const DWORD result = mutex ? WaitForSingleObject(mutex, waitMs) : WAIT_FAILED;
        held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~StoreTurn()
    {
        if (held) {
            ReleaseMutex(mutex);
        }
        if (mutex) {
            CloseHandle(mutex);
        }
    }
    StoreTurn(const StoreTurn&) = delete;
    StoreTurn& operator=(const StoreTurn&) = delete;

    bool Held() const { return held; }

private:
    HANDLE mutex;
    bool held = false;
};

// A key as its parent's path and its own name; nullopt for a malformed path.
struct KeyPlace {
    std::wstring parent; // empty: directly under HKEY_CURRENT_USER
    std::wstring name;
};

std::optional<KeyPlace> PlaceOf(std::string_view path)
{
    if (path.empty() || path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string_view::npos ||
        path.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t last = path.rfind('\\');
    if (last == std::string_view::npos) {
        return KeyPlace{L"", Wide(path)};
    }
    return KeyPlace{Wide(path.substr(0, last)), Wide(path.substr(last + 1))};
}

bool ValidName(std::string_view name) { return name.find('\0') == std::string_view::npos; }

RegistryKey OpenParent(const KeyPlace& place, bool create)
{
    if (place.parent.empty()) {
        return RegistryKey::Open(HKEY_CURRENT_USER, L"", KEY_ALL_ACCESS);
    }
    return create ? RegistryKey::Create(HKEY_CURRENT_USER, place.parent)
                  : RegistryKey::Open(HKEY_CURRENT_USER, place.parent, KEY_ALL_ACCESS);
}

// Deletes the key with everything under it.
void Drop(HKEY parent, const std::wstring& name) { RegDeleteTreeW(parent, name.c_str()); }

// Makes in `key` every value the journal holds but its mark.
bool CopyValues(HKEY journal, HKEY key)
{
    DWORD nameLength = 0, dataSize = 0;
    if (RegQueryInfoKeyW(journal, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameLength,
                         &dataSize, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::wstring name(nameLength + 1, L'\0');
    std::vector<BYTE> data(dataSize + sizeof(wchar_t));
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        const LONG rc = RegEnumValueW(journal, i, name.data(), &nameSize, nullptr, &type, data.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (rc != ERROR_SUCCESS) {
            return false;
        }
        const std::wstring valueName(name.data(), nameSize);
        if (valueName != kCompleteMark &&
            RegSetValueExW(key, valueName.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS) {
            return false;
        }
    }
}

// Finishes or drops what a save that was killed left under the key's parent.
void Settle(const KeyPlace& place)
{
    const RegistryKey parent = OpenParent(place, false);
    if (!parent) {
        return;
    }
    {
        const RegistryKey journal = RegistryKey::Open(parent.Get(), place.name + kJournal, KEY_READ);
        if (!journal) {
            return;
        }
        if (journal.Value(kCompleteMark).type == REG_DWORD) {
            const RegistryKey key = RegistryKey::Create(parent.Get(), place.name);
            if (!key || !CopyValues(journal.Get(), key.Get())) {
                return; // kept for the next try
            }
        }
    } // closed before it goes
    Drop(parent.Get(), place.name + kJournal);
}

// Each name's value, empty where missing or of a type the game does not
// store; nullopt when the key could not be read.
std::optional<StoredValues> ReadValues(const KeyPlace& place, std::span<const std::string> names)
{
    StoredValues values(names.size());
    const std::wstring path = place.parent.empty() ? place.name : place.parent + L"\\" + place.name;
    const RegistryKey key = RegistryKey::Open(HKEY_CURRENT_USER, path, KEY_READ);
    if (!key) {
        return key.Missing() ? std::optional(values) : std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const RegistryKey::Read read = key.Value(Wide(names[i]));
        if (read.failed) {
            return std::nullopt;
        }
        if (read.type == REG_DWORD && read.bytes.size() == sizeof(DWORD)) {
            DWORD number = 0;
            std::copy_n(read.bytes.data(), sizeof number, reinterpret_cast<BYTE*>(&number));
            values[i] = StoredValue::Number(static_cast<std::int32_t>(number));
        } else if (read.type == REG_SZ) {
            std::wstring text(read.bytes.size() / sizeof(wchar_t), L'\0');
            std::copy_n(read.bytes.data(), text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
            while (!text.empty() && text.back() == L'\0') {
                text.pop_back();
            }
            values[i] = StoredValue::Text(Narrow(text));
        }
    }
    return values;
}

bool SetValue(HKEY key, const StoredWrite& write)
{
    const std::wstring name = Wide(write.name);
    if (write.value.type == StoredValue::Type::Number) {
        const DWORD number = static_cast<DWORD>(write.value.number);
        return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }
    const std::wstring text = Wide(write.value.text);
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Makes the writes, one key after another, each whole or not at all; the
// caller holds the turn.
bool WriteAll(const std::vector<StoredWrite>& writes)
{
    std::vector<std::string> keys;
    for (const StoredWrite& write : writes) {
        if (!PlaceOf(write.keyPath) || !ValidName(write.name)) {
            return false;
        }
        if (std::ranges::find(keys, write.keyPath) == keys.end()) {
            keys.push_back(write.keyPath);
        }
    }
    for (const std::string& path : keys) {
        const KeyPlace place = *PlaceOf(path);
        Settle(place);
        const RegistryKey parent = OpenParent(place, true);
        if (!parent) {
            return false;
        }
        bool journaled = false;
        if (const RegistryKey journal = RegistryKey::Create(parent.Get(), place.name + kJournal)) {
            journaled = std::ranges::all_of(writes, [&](const StoredWrite& write) {
                return write.keyPath != path || SetValue(journal.Get(), write);
            });
            const DWORD whole = 1;
            journaled = journaled && RegSetValueExW(journal.Get(), kCompleteMark.c_str(), 0, REG_DWORD,
                                                    reinterpret_cast<const BYTE*>(&whole), sizeof whole) == 0;
        }
        if (!journaled) {
            Drop(parent.Get(), place.name + kJournal);
            return false;
        }
        Settle(place);
        if (RegistryKey::Exists(parent.Get(), place.name + kJournal)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<StoredValues> ReadStoredValues(std::string_view keyPath, std::span<const std::string> names)
{
    const std::optional<KeyPlace> place = PlaceOf(keyPath);
    if (!place || !std::ranges::all_of(names, ValidName)) {
        return StoredValues(names.size());
    }
    const StoreTurn turn(kReadWaitMs);
    if (!turn.Held()) {
        return std::nullopt;
    }
    Settle(*place);
    return ReadValues(*place, names);
}

bool UpdateStoredValues(std::string_view keyPath, std::span<const std::string> names,
                        const std::function<std::vector<StoredWrite>(const StoredValues&)>& change)
{
    const std::optional<KeyPlace> place = PlaceOf(keyPath);
    if (!place || !std::ranges::all_of(names, ValidName)) {
        return false;
    }
    const StoreTurn turn(kWriteWaitMs);
    if (!turn.Held()) {
        return false;
    }
    Settle(*place);
    const std::optional<StoredValues> values = ReadValues(*place, names);
    return values && WriteAll(change(*values));
}

bool WriteStoredValues(std::span<const StoredWrite> writes)
{
    if (writes.empty()) {
        return true;
    }
    const StoreTurn turn(kWriteWaitMs);
    return turn.Held() && WriteAll(std::vector<StoredWrite>(writes.begin(), writes.end()));
}

bool DeleteStoredKey(std::string_view keyPath)
{
    const std::optional<KeyPlace> place = PlaceOf(keyPath);
    if (!place) {
        return false;
    }
    const StoreTurn turn(kWriteWaitMs);
    if (!turn.Held()) {
        return false;
    }
    Settle(*place);
    const RegistryKey parent = OpenParent(*place, false);
    // RegDeleteKey refuses a key that still has subkeys, as the game expects.
    return parent && RegDeleteKeyW(parent.Get(), place->name.c_str()) == ERROR_SUCCESS;
}

} // namespace tw
