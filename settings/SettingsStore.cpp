#include "settings/SettingsStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/KeptGameStore.h"
#include "settings/Registry.h"
#include "settings/Settings.h"

namespace tw {
namespace {

struct SettingsValue {
    std::string_view name;
    std::int32_t Settings::*field;
};

// In the order in which they are read and written.
constexpr SettingsValue kSettingsValues[] = {
    {"Beep", &Settings::Beep},
    {"Music", &Settings::Music},
    {"ClearStacks", &Settings::ClearStacks},
    {"GetFaster", &Settings::GetFaster},
    {"SwapMode", &Settings::SwapMode},
    {"OneDeck", &Settings::OneDeck},
    {"EndOnShuffle", &Settings::EndOnShuffle},
    {"LastStack", &Settings::LastStack},
    {"UpDown", &Settings::UpDown},
    {"CollapseRegime", &Settings::CollapseRegime},
    {"ShowNagDlg", &Settings::ShowNagDlg},
    {"ForegroundColor", &Settings::ForegroundColor},
    {"BackgroundColor", &Settings::BackgroundColor},
};

struct PlacementValue {
    std::string_view name;
    std::int32_t WindowPlacement::*field;
    std::int32_t defaultValue;
};

constexpr PlacementValue kPlacementValues[] = {
    {"Top", &WindowPlacement::top, 0},
    {"Left", &WindowPlacement::left, 0},
    {"Width", &WindowPlacement::width, 640},
    {"Height", &WindowPlacement::height, 460},
};
// Stored after them, as a number.
constexpr std::string_view kShowStateName = "MinMax";

std::int32_t Read(std::string_view name, std::int32_t defaultValue)
{
    return ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, defaultValue);
}

// The settings as the last load gave them when it could not read the store
// (it was locked, or the system failed a read): the stored values are then
// unknown, not missing, and only what the player changes afterwards may
// replace them.
std::optional<Settings> unreadSettings;

} // namespace

void LoadSettings(WindowPlacement& placement)
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const SettingsValue& value : kSettingsValues) {
            all.emplace_back(value.name);
        }
        for (const PlacementValue& value : kPlacementValues) {
            all.emplace_back(value.name);
        }
        all.emplace_back(kShowStateName);
        return all;
    }();
    const std::optional<StoredValues> stored = ReadRegistryValues(RegistryRoot::CurrentUser, kTumblewickKey, names);
    const auto value = [&](std::size_t index, std::int32_t defaultValue) {
        return RegistryDword(stored ? stored->at(index) : std::nullopt, defaultValue);
    };

    const Settings defaults = Settings::Defaults();
    settings.dropInterval = 800;
    std::size_t index = 0;
    for (const SettingsValue& setting : kSettingsValues) {
        settings.*setting.field = value(index++, defaults.*setting.field);
    }
    settings.DeriveMinMeldLength();

    // Every vertical step and distance of the board is multiplied by the
    // orientation: 0 would leave the falling card hanging for ever and any
    // other size would overshoot (and overflow) every position. The program
    // only ever writes 1 or -1; anything else gets the default, which the
    // next save writes back. The other values are safe as stored: the flags
    // are only ever tested against zero, an unknown swap mode keeps the
    // falling card, an unknown deck kind deals as a plain 52-card deck, an
    // unknown rule set finds no meld, and a colour uses only its low three
    // bytes.
    if (settings.UpDown != 1 && settings.UpDown != -1) {
        settings.UpDown = defaults.UpDown;
    }

    for (const PlacementValue& place : kPlacementValues) {
        placement.*place.field = value(index++, place.defaultValue);
    }
    placement.showState = static_cast<WindowShowState>(value(index++, 0));
    unreadSettings = stored ? std::nullopt : std::optional(settings);
}

bool SaveSettings(const WindowPlacement& placement, std::optional<std::string_view> keptGame)
{
    RegistryTransaction save(RegistryRoot::CurrentUser);
    save.WriteDword(kTumblewickKey, "FirstBoot", 0);
    for (const SettingsValue& value : kSettingsValues) {
        if (!unreadSettings || (*unreadSettings).*value.field != settings.*value.field) {
            save.WriteDword(kTumblewickKey, value.name, settings.*value.field);
        }
    }
    // The window opened where the defaults put it, not where the player
    // left it, so where it is now says nothing the store should keep.
    if (!unreadSettings) {
        for (const PlacementValue& value : kPlacementValues) {
            save.WriteDword(kTumblewickKey, value.name, placement.*value.field);
        }
        save.WriteDword(kTumblewickKey, kShowStateName, static_cast<std::int32_t>(placement.showState));
    }
    if (keptGame) {
        save.WriteString(kKeptGameKey, kKeptGameName, *keptGame);
    }
    return save.Commit();
}

bool IsFirstBoot() { return Read("FirstBoot", 1) != 0; }

} // namespace tw
