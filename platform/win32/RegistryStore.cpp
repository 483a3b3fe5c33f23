#include "platform/PerUserStore.h"
#include "platform/PerUserStoreBackend.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/RegistryKey.h"
#include "platform/win32/WideText.h"

// The per-user store is the registry under HKEY_CURRENT_USER. The registry
// writes one value at a time, so a save is first written whole into a
// journal beside its key ("Key.pending"), marked complete last, and only
// then made in the key itself. A save to several keys has one journal,
// beside the key they all lie in or under, with the values of the keys below
// in its subkeys of the same names. A save killed before the mark leaves a
// journal that is dropped; one killed after it is finished from the journal
// at the next read or save of any key it holds. A reader, which settles what
// a killed save left beside its key and beside every key above before it
// reads, so finds the values of one save or of the other, never a mix. The
// saves of every copy of the game take turns through a named mutex, which a
// copy that was killed while holding it gives up.
//
// (Renaming a whole new key into place would need no journal, but Wine's
// RegRenameKey loses track of renamed keys.)
namespace tw {
namespace {

const std::wstring kJournal = L".pending";
// Written last into a journal: the save in it is whole.
const std::wstring kCompleteMark = L"Tumblewick.SaveComplete";

class StoreTurn {
public:
    explicit StoreTurn(std::chrono::milliseconds wait)
        : mutex(CreateMutexW(nullptr, FALSE, L"Local\\Brindlecove.Tumblewick.Store"))
    {
        const DWORD result = mutex ? WaitForSingleObject(mutex, static_cast<DWORD>(wait.count())) : WAIT_FAILED;
        held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        error = held ? ERROR_SUCCESS : result == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
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
    // Why the turn was not taken.
    LONG Error() const { return static_cast<LONG>(error); }

private:
    HANDLE mutex;
    bool held = false;
    DWORD error = ERROR_SUCCESS;
};

// A key as its parent's path and its own name.
struct KeyPlace {
    explicit KeyPlace(const store::KeyPath& key) : parent(Wide(key.Parent())), name(Wide(key.Name())) {}

    std::wstring parent; // empty: directly under HKEY_CURRENT_USER
    std::wstring name;
};

// The system's words for a registry or wait error.
store::Failure Reason(LONG error)
{
    wchar_t text[512] = {};
    std::wstring_view reason(text, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                                  static_cast<DWORD>(error), 0, text, std::size(text), nullptr));
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
        reason.remove_suffix(1);
    }
    return {reason.empty() ? "error " + std::to_string(error) : Narrow(reason)};
}

RegistryKey OpenParent(const KeyPlace& place, bool create)
{
    if (place.parent.empty()) {
        return RegistryKey::Open(HKEY_CURRENT_USER, L"", KEY_ALL_ACCESS);
    }
    return create ? RegistryKey::Create(HKEY_CURRENT_USER, place.parent)
                  : RegistryKey::Open(HKEY_CURRENT_USER, place.parent, KEY_ALL_ACCESS);
}

// Deletes the key with everything under it.
LONG Drop(HKEY parent, const std::wstring& name) { return RegDeleteTreeW(parent, name.c_str()); }

// Makes in `key` every value the journal holds but its mark.
LONG CopyValues(HKEY journal, HKEY key)
{
    DWORD nameLength = 0, dataSize = 0;
    LONG rc = RegQueryInfoKeyW(journal, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameLength,
                               &dataSize, nullptr, nullptr);
    std::wstring name(nameLength + 1, L'\0');
    std::vector<BYTE> data(dataSize + sizeof(wchar_t));
    for (DWORD i = 0; rc == ERROR_SUCCESS; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        rc = RegEnumValueW(journal, i, name.data(), &nameSize, nullptr, &type, data.data(), &size);
        const std::wstring valueName(name.data(), rc == ERROR_SUCCESS ? nameSize : 0);
        if (rc == ERROR_SUCCESS && valueName != kCompleteMark) {
            rc = RegSetValueExW(key, valueName.c_str(), 0, type, data.data(), size);
        }
    }
    return rc == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : rc;
}

// Makes in `key`, and in the keys below it, what the journal and its
// subkeys hold.
LONG CopyTree(HKEY journal, HKEY key)
{
    LONG rc = CopyValues(journal, key);
    for (DWORD i = 0; rc == ERROR_SUCCESS; ++i) {
        wchar_t name[256];
        DWORD size = static_cast<DWORD>(std::size(name));
        rc = RegEnumKeyExW(journal, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            const RegistryKey from = RegistryKey::Open(journal, name, KEY_READ);
            const RegistryKey to = RegistryKey::Create(key, name);
            rc = !from ? from.Error() : !to ? to.Error() : CopyTree(from.Get(), to.Get());
        }
    }
    return rc == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : rc;
}

// Finishes or drops what a save that was killed left under the key's parent:
// an error when a journal is left.
LONG Settle(const KeyPlace& place)
{
    const RegistryKey parent = OpenParent(place, false);
    if (!parent) {
        return ERROR_SUCCESS; // nor is there a journal
    }
    {
        const RegistryKey journal = RegistryKey::Open(parent.Get(), place.name + kJournal, KEY_READ);
        if (!journal) {
            return journal.Missing() ? ERROR_SUCCESS : journal.Error();
        }
        if (journal.Value(kCompleteMark).type == REG_DWORD) {
            const RegistryKey key = RegistryKey::Create(parent.Get(), place.name);
            const LONG rc = key ? CopyTree(journal.Get(), key.Get()) : key.Error();
            if (rc != ERROR_SUCCESS) {
                return rc; // kept for the next try
            }
        }
    } // closed before it goes
    return Drop(parent.Get(), place.name + kJournal);
}

// Settles the journals beside the key and beside every key above it, any
// of which may hold a save of it: the first error.
LONG SettleLineage(const store::KeyPath& key)
{
    LONG first = ERROR_SUCCESS;
    for (const std::string_view path : key.Lineage()) {
        const LONG rc = Settle(KeyPlace(*store::KeyPath::Parse(path)));
        first = first == ERROR_SUCCESS ? rc : first;
    }
    return first;
}

// Each name's value, empty where missing or of a type the game does not
// store; nullopt when the key could not be read, and `error` says why.
std::optional<StoredValues> ReadValues(const KeyPlace& place, std::span<const std::string> names, LONG& error)
{
    StoredValues values(names.size());
    const std::wstring path = place.parent.empty() ? place.name : place.parent + L"\\" + place.name;
    const RegistryKey key = RegistryKey::Open(HKEY_CURRENT_USER, path, KEY_READ);
    if (!key) {
        error = key.Error();
        return key.Missing() ? std::optional(values) : std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const RegistryKey::Read read = key.Value(Wide(names[i]));
        if (read.error != ERROR_SUCCESS) {
            error = read.error;
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

LONG SetValue(HKEY key, const store::CheckedWrite& write)
{
    const std::wstring name = Wide(write.name);
    if (write.value.type == StoredValue::Type::Number) {
        const DWORD number = static_cast<DWORD>(write.value.number);
        return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    const std::wstring text = Wide(write.value.text);
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Key paths compare without regard to ASCII case, as the registry's do.
bool SameKey(std::string_view one, std::string_view other)
{
    return std::ranges::equal(one, other, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// Makes the writes, whole or not at all, through one journal beside the key
// they all lie in or under; the caller holds the turn.
LONG WriteJournaled(std::span<const store::CheckedWrite* const> writes)
{
    std::vector<std::string_view> shared = writes.front()->key.Lineage();
    const std::string* settled = nullptr;
    for (const store::CheckedWrite* write : writes) {
        if (!settled || *settled != write->key.Whole()) {
            SettleLineage(write->key);
            settled = &write->key.Whole();
        }
        const std::vector<std::string_view> lineage = write->key.Lineage();
        const auto same = std::ranges::mismatch(shared, lineage, SameKey).in1;
        shared.erase(same, shared.end());
    }
    const std::string_view top = shared.back();
    const KeyPlace place(*store::KeyPath::Parse(top));
    const RegistryKey parent = OpenParent(place, true);
    if (!parent) {
        return parent.Error();
    }
    LONG rc = ERROR_SUCCESS;
    {
        const RegistryKey journal = RegistryKey::Create(parent.Get(), place.name + kJournal);
        rc = journal.Error();
        for (const store::CheckedWrite* write : writes) {
            const std::string& whole = write->key.Whole();
            if (rc == ERROR_SUCCESS && whole.size() == top.size()) {
                rc = SetValue(journal.Get(), *write);
            } else if (rc == ERROR_SUCCESS) {
                const RegistryKey below = RegistryKey::Create(journal.Get(), Wide(whole.substr(top.size() + 1)));
                rc = below ? SetValue(below.Get(), *write) : below.Error();
            }
        }
        const DWORD whole = 1;
        if (rc == ERROR_SUCCESS) {
            rc = RegSetValueExW(journal.Get(), kCompleteMark.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&whole), sizeof whole);
        }
    } // closed before it goes
    if (rc != ERROR_SUCCESS) {
        Drop(parent.Get(), place.name + kJournal);
        return rc;
    }
    return Settle(place);
}

// Writes under different keys at the top share no key to journal beside, so
// each top key's are made in turn; the game's all lie under one.
LONG WriteAll(const std::vector<store::CheckedWrite>& writes)
{
    std::vector<std::vector<const store::CheckedWrite*>> byTop;
    for (const store::CheckedWrite& write : writes) {
        const auto group = std::ranges::find_if(byTop, [&](const auto& writesUnder) {
            return SameKey(writesUnder.front()->key.Lineage().front(), write.key.Lineage().front());
        });
        if (group == byTop.end()) {
            byTop.push_back({&write});
        } else {
            group->push_back(&write);
        }
    }
    for (const auto& group : byTop) {
        if (const LONG rc = WriteJournaled(group); rc != ERROR_SUCCESS) {
            return rc;
        }
    }
    return ERROR_SUCCESS;
}

} // namespace

namespace store {

std::optional<StoredValues> ReadKey(const KeyPath& key, std::span<const std::string> names)
{
    const StoreTurn turn(kReadWait);
    if (!turn.Held()) {
        return std::nullopt;
    }
    const KeyPlace place(key);
    SettleLineage(key);
    LONG error = ERROR_SUCCESS;
    return ReadValues(place, names, error);
}

std::optional<Failure> UpdateKey(const KeyPath& key, std::span<const std::string> names, const CheckedChange& change)
{
    const StoreTurn turn(kWriteWait);
    if (!turn.Held()) {
        return Reason(turn.Error());
    }
    const KeyPlace place(key);
    SettleLineage(key);
    LONG error = ERROR_SUCCESS;
    const std::optional<StoredValues> values = ReadValues(place, names, error);
    if (!values) {
        return Reason(error);
    }
    const std::optional<std::vector<CheckedWrite>> writes = change(*values);
    if (!writes) {
        return Failure{}; // the caller knows why
    }
    error = WriteAll(*writes);
    return error == ERROR_SUCCESS ? std::nullopt : std::optional(Reason(error));
}

bool DeleteKey(const KeyPath& key)
{
    const StoreTurn turn(kWriteWait);
    if (!turn.Held()) {
        return false;
    }
    const KeyPlace place(key);
    SettleLineage(key);
    const RegistryKey parent = OpenParent(place, false);
    // RegDeleteKey refuses a key that still has subkeys, as the game expects.
    return parent && RegDeleteKeyW(parent.Get(), place.name.c_str()) == ERROR_SUCCESS;
}

std::string Location(const KeyPath& key) { return "HKEY_CURRENT_USER\\" + key.Whole(); }

} // namespace store
} // namespace tw
