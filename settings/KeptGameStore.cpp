#include "settings/KeptGameStore.h"

#include <vector>

#include "settings/Registry.h"

namespace tw {

std::string TakeKeptGame()
{
    static const std::vector<std::string> names{std::string(kKeptGameName)};
    std::string taken;
    bool present = false;
    RegistryTransaction claim(RegistryRoot::CurrentUser);
    // Emptied in the same turn as it is read: another copy starting now finds
    // nothing to offer, even before the key is gone.
    const bool claimed = claim.CommitChange(kKeptGameKey, names, [&](const StoredValues& values,
                                                                      RegistryTransaction& change) {
        taken.clear();
        present = values[0].has_value();
        if (values[0] && values[0]->type == StoredValue::Type::Text && !values[0]->text.empty()) {
            taken = values[0]->text;
            change.WriteString(kKeptGameKey, kKeptGameName, "");
        }
    });
    if (!claimed) {
        return {};
    }
    if (present) {
        DeleteRegistryKey(RegistryRoot::CurrentUser, kKeptGameKey);
    }
    return taken;
}

} // namespace tw
