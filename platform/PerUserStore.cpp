#include "platform/PerUserStore.h"

#include <utility>

namespace tw {

std::optional<StoredValue> ReadStoredValue(std::string_view keyPath, std::string_view name)
{
    const std::string names[] = {std::string(name)};
    std::optional<StoredValues> values = ReadStoredValues(keyPath, names);
    return values ? std::move(values->front()) : std::nullopt;
}

} // namespace tw
