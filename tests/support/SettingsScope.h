#pragma once

#include <functional>

#include "settings/Settings.h"

namespace tw::test {

// The settings of an empty store, adjusted by overrides, for one test; the
// previous record comes back afterwards so no test leaks its rules.
class SettingsScope {
public:
    explicit SettingsScope(const std::function<void(Settings&)>& overrides = {})
        : saved(settings)
    {
        settings = Settings::Defaults();
        if (overrides) {
            overrides(settings);
        }
    }
    ~SettingsScope() { settings = saved; }

    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

private:
    Settings saved;
};

} // namespace tw::test
