#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The current user's persistent store: keys by backslash-separated path (no
// empty components), values by name, each a 32-bit number or a string. Key
// paths and value names compare without regard to ASCII case. Every call
// opens the store, acts and closes it; each call that writes is one
// transaction, so an interrupted program leaves the store as it was before
// or after that call. Nothing here asks or throws: failures are results. The
// first write of a run that fails also says why in one line on standard
// error, for whoever started the game from a terminal.
struct StoredValue {
    enum class Type { Number, Text };

    Type type = Type::Number;
    std::int32_t number = 0;
    std::string text;

    static StoredValue Number(std::int32_t value) { return {Type::Number, value, {}}; }
    static StoredValue Text(std::string_view value) { return {Type::Text, 0, std::string(value)}; }
};

// Empty when the store, the key or the value is missing or unreadable.
std::optional<StoredValue> ReadStoredValue(std::string_view keyPath, std::string_view name);

// One per name asked for, empty where that value is missing.
using StoredValues = std::vector<std::optional<StoredValue>>;

// The values of one key, read at one moment. Empty when the store could not
// be read: another program held it locked for longer than a moment, or the
// system failed a read. That is not the same as values that are missing,
// and a store that merely could not be read is never taken for damaged.
std::optional<StoredValues> ReadStoredValues(std::string_view keyPath, std::span<const std::string> names);

struct StoredWrite {
    std::string keyPath;
    std::string name;
    StoredValue value;
};

// Reads the values as ReadStoredValues does and makes the writes `change`
// returns for them, in one transaction: no other copy of the game writes in
// between (one that is writing is waited for). False, with nothing written,
// when the store could not be read or written.
bool UpdateStoredValues(std::string_view keyPath, std::span<const std::string> names,
                        const std::function<std::vector<StoredWrite>(const StoredValues&)>& change);

// Creates each key and its parents as needed and replaces any value of that
// name, whatever its type: every write or, when the store could not be
// written (or a key path or name is malformed), none of them.
bool WriteStoredValues(std::span<const StoredWrite> writes);

// Removes the key and its values. Fails for a missing key and for one that
// still has subkeys.
bool DeleteStoredKey(std::string_view keyPath);

} // namespace tw
