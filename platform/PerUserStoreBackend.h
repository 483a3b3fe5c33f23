#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PerUserStore.h"

// What a backend of the per-user store provides beneath platform/PerUserStore.cpp,
// which checks every key path and name before a backend sees it and reports
// the saves that fail.
namespace tw::store {

// Two copies of the game may save at the same moment; the later one waits
// rather than losing its settings. A read waits only a moment: another copy's
// save takes milliseconds, and a store that stays locked (another program
// holding it) must not hold up the start of the game. What could not be read
// is then not known, which the callers keep apart from missing.
constexpr std::chrono::milliseconds kWriteWait{5000};
constexpr std::chrono::milliseconds kReadWait{400};

// A well-formed key path: backslash-separated components, none empty, no
// zero character. No key of the game looks otherwise, and accepting them
// would give one key several spellings.
class KeyPath {
public:
    static std::optional<KeyPath> Parse(std::string_view path);

    const std::string& Whole() const { return path; }
    std::string_view Parent() const; // empty for a key at the top
    std::string_view Name() const;
    // Each key from the top down to this one, by its whole path.
    std::vector<std::string_view> Lineage() const;

private:
    explicit KeyPath(std::string_view path) : path(path) {}

    std::string path;
};

struct CheckedWrite {
    KeyPath key;
    std::string name;
    StoredValue value;
};

// Why a save failed, in a few words for whoever started the game from a
// terminal.
struct Failure {
    std::string reason;
};

// The writes for the values read, or empty when one of them is malformed.
using CheckedChange = std::function<std::optional<std::vector<CheckedWrite>>(const StoredValues&)>;

// Each backend defines these.

// As ReadStoredValues.
std::optional<StoredValues> ReadKey(const KeyPath& key, std::span<const std::string> names);

// As UpdateStoredValues: empty when every write was made.
std::optional<Failure> UpdateKey(const KeyPath& key, std::span<const std::string> names, const CheckedChange& change);

// As DeleteStoredKey.
bool DeleteKey(const KeyPath& key);

// Where a save of the key goes, as its user would look for it.
std::string Location(const KeyPath& key);

} // namespace tw::store
