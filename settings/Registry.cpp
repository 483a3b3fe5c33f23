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
    const std::optional<StoredValue> value = ReadStoredValue(subkey, name);
    if (!value || value->type != StoredValue::Type::Number) {
        return defaultValue;
    }
    return value->number;
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
    const std::optional<StoredValue> value = ReadStoredValue(subkey, name);
    // The caller's buffer must hold the text and its terminating zero.
    if (!value || value->type != StoredValue::Type::Text || value->text.size() >= bufferSize) {
        return false;
    }
    text = value->text.substr(0, value->text.find('\0'));
    return true;
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

bool RegistryTransaction::Commit() const { return Reachable(root) && WriteStoredValues(writes); }

bool DeleteRegistryKey(RegistryRoot root, std::string_view subkey)
{
    return Reachable(root) && DeleteStoredKey(subkey);
}

} // namespace tw
