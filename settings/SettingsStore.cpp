#include "settings/SettingsStore.h"

#include <string_view>

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
    {"MinMax", &WindowPlacement::minMax, 0},
};

std::int32_t Read(std::string_view name, std::int32_t defaultValue)
{
    return ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, defaultValue);
}

} // namespace

void LoadSettings(WindowPlacement& placement)
{
    const Settings defaults = Settings::Defaults();
    settings.dropInterval = 800;
    for (const SettingsValue& value : kSettingsValues) {
        settings.*value.field = Read(value.name, defaults.*value.field);
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

    for (const PlacementValue& value : kPlacementValues) {
        placement.*value.field = Read(value.name, value.defaultValue);
    }
}

bool SaveSettings(const WindowPlacement& placement)
{
    RegistryTransaction save(RegistryRoot::CurrentUser);
    save.WriteDword(kTumblewickKey, "FirstBoot", 0);
    for (const SettingsValue& value : kSettingsValues) {
        save.WriteDword(kTumblewickKey, value.name, settings.*value.field);
    }
    for (const PlacementValue& value : kPlacementValues) {
        save.WriteDword(kTumblewickKey, value.name, placement.*value.field);
    }
    return save.Commit();
}

bool IsFirstBoot() { return Read("FirstBoot", 1) != 0; }

} // namespace tw
