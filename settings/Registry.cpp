#include "settings/Registry.h"

#include "platform/PerUserStore.h"

namespace tw {
namespace {

// The game knows one root, the current user's, and the per-user store is
// exactly that; another root would have nowhere to live.
bool Reachable(RegistryRoot root) { return root == RegistryRoot::CurrentUser; }

} // namespace

std::int32_t ReadRegistryDword(RegistryRoot root, std::string_view subkey, std::string_view name,
                               std::int32_t defaultValue)
{
    if (!Reachable(root)) {
        return defaultValue;
    }
    return RegistryDword(ReadStoredValue(subkey, name), defaultValue);
}

bool WriteRegistryDword(RegistryRoot root, std::string_view subkey, std::string_view name, std::int32_t value)
{
    RegistryTransaction transaction(root);
    transaction.WriteDword(subkey, name, value);
    return transaction.Commit();
}

bool ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name, std::string& text,
                        std::size_t bufferSize)
{
    if (bufferSize != 0) {
        text.clear();
    }
    if (!Reachable(root)) {
        return false;
    }
    std::optional<std::string> read = RegistryString(ReadStoredValue(subkey, name), bufferSize);
    if (read) {
        text = std::move(*read);
    }
    return read.has_value();
}

std::int32_t RegistryDword(const std::optional<StoredValue>& value, std::int32_t defaultValue)
{
    return value && value->type == StoredValue::Type::Number ? value->number : defaultValue;
}

std::optional<std::string> RegistryString(const std::optional<StoredValue>& value, std::size_t bufferSize)
{
    // The caller's buffer must hold the text and its terminating zero.
    if (!value || value->type != StoredValue::Type::Text || value->text.size() >= bufferSize) {
        return std::nullopt;
    }
    return value->text.substr(0, value->text.find('\0'));
}

std::optional<StoredValues> ReadRegistryValues(RegistryRoot root, std::string_view subkey,
                                               std::span<const std::string> names)
{
    if (!Reachable(root)) {
        return StoredValues(names.size());
    }
    return ReadStoredValues(subkey, names);
}

bool WriteRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name,
                         std::string_view text)
{
    RegistryTransaction transaction(root);
    transaction.WriteString(subkey, name, text);
    return transaction.Commit();
}

void RegistryTransaction::WriteDword(std::string_view subkey, std::string_view name, std::int32_t value)
{
    writes.push_back({std::string(subkey), std::string(name), StoredValue::Number(value)});
}

void RegistryTransaction::WriteString(std::string_view subkey, std::string_view name, std::string_view text)
{
    // The text ends at its terminator, as a C string handed to the registry does.
    writes.push_back({std::string(subkey), std::string(name), StoredValue::Text(text.substr(0, text.find('\0')))});
}

void RegistryTransaction::Write(std::string_view subkey, std::string_view name, const StoredValue& value)
{
    writes.push_back({std::string(subkey), std::string(name), value});
}

bool RegistryTransaction::Commit() const { return Reachable(root) && WriteStoredValues(writes); }

bool RegistryTransaction::CommitChange(std::string_view subkey, std::span<const std::string> names,
                                       const std::function<void(const StoredValues&, RegistryTransaction&)>& change)
{
    const std::vector<StoredWrite> planned = writes;
    return Reachable(root) && UpdateStoredValues(subkey, names, [&](const StoredValues& values) {
               writes = planned; // a damaged store moved aside is read afresh
               change(values, *this);
               return writes;
           });
}

bool DeleteRegistryKey(RegistryRoot root, std::string_view subkey)
{
    return Reachable(root) && DeleteStoredKey(subkey);
}

} // namespace tw
