#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PerUserStore.h"

namespace tw {

// The per-user store as the game reaches it: keys by path, values by name,
// each a 32-bit number or a string. Every call opens the store, acts and
// closes it again; a write, or a RegistryTransaction, is all or nothing.
// Nothing here ever reports an error to the player.
enum class RegistryRoot {
    CurrentUser, // the only root the game uses
};

inline constexpr std::string_view kTumblewickKey = "Software\\Brindlecove\\Tumblewick";
inline constexpr std::string_view kHighScoresKey = "Software\\Brindlecove\\Tumblewick\\HighScores";

// The value, or `defaultValue` when the key or value is missing or is not a
// number.
std::int32_t ReadRegistryDword(RegistryRoot root, std::string_view subkey, std::string_view name,
                               std::int32_t defaultValue);

// Creates the key (and its parents) when missing. False when the store could
// not be written.
bool WriteRegistryDword(RegistryRoot root, std::string_view subkey, std::string_view name,
                        std::int32_t value);

// Reads a string value as into a buffer of `bufferSize` bytes: `text` is
// made empty first (unless bufferSize is 0), and true means it now holds the
// value. A missing key or value, a number, or a string that would not fit
// with its terminator reads as missing.
bool ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name, std::string& text,
                        std::size_t bufferSize);

bool WriteRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name,
                         std::string_view text);

// What ReadRegistryDword and ReadRegistryString make of a value already read.
std::int32_t RegistryDword(const std::optional<StoredValue>& value, std::int32_t defaultValue);
std::optional<std::string> RegistryString(const std::optional<StoredValue>& value, std::size_t bufferSize);

// The values of `names` under `subkey`, read at one moment, each empty where
// missing. Empty as a whole when the store could not be read (held locked by
// another program, or a read the system failed): nothing is known of them
// then, so nothing may be written back in their place.
std::optional<StoredValues> ReadRegistryValues(RegistryRoot root, std::string_view subkey,
                                               std::span<const std::string> names);

// Values that belong together, such as all the settings or the whole high
// score list: Commit writes every one of them or, when the store cannot be
// written, none, so a failed save or a program killed while saving never
// leaves half of one behind. Nothing reaches the store before Commit.
class RegistryTransaction {
public:
    explicit RegistryTransaction(RegistryRoot root) : root(root) {}

    void WriteDword(std::string_view subkey, std::string_view name, std::int32_t value);
    void WriteString(std::string_view subkey, std::string_view name, std::string_view text);
    // Any value as it was read, type and all.
    void Write(std::string_view subkey, std::string_view name, const StoredValue& value);

    // Creates the keys (and their parents) when missing. False when the store
    // could not be written.
    bool Commit() const;

    // Reads `names` under `subkey` as ReadRegistryValues does, lets `change`
    // add writes for them and commits, with no other writer in between: a
    // change made of the values as they are stored now, not as they were
    // when a dialog opened. False, with nothing written, when the store could
    // not be read or written.
    bool CommitChange(std::string_view subkey, std::span<const std::string> names,
                      const std::function<void(const StoredValues&, RegistryTransaction&)>& change);

private:
    RegistryRoot root;
    std::vector<StoredWrite> writes;
};

// Deletes the key with its values. Fails for a missing key or one that has
// subkeys.
bool DeleteRegistryKey(RegistryRoot root, std::string_view subkey);

} // namespace tw
