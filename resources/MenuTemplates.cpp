#include "resources/MenuTemplates.h"

#include <array>

#include "platform/VirtualKeys.h"

namespace tw {
namespace {

constexpr MenuItemTemplate Separator{};

constexpr std::array kGameItems{
    MenuItemTemplate{"&New\tCtrl+N", 32773},
    Separator,
    MenuItemTemplate{"High Score List...", 32776},
    MenuItemTemplate{"&Options...", 32774},
    Separator,
    MenuItemTemplate{"E&xit\tCtrl+X", 105},
};

constexpr std::array kHelpItems{
    MenuItemTemplate{"&Help on Tumblewick...", 32778},
    Separator,
    MenuItemTemplate{"&Introduction...", 32777},
    MenuItemTemplate{"&About ...", 104},
    Separator,
    MenuItemTemplate{"&Tumblewick on the Web...", 32781},
};

constexpr std::array kMainPopups{
    MenuPopupTemplate{"&Game", kGameItems},
    MenuPopupTemplate{"&Help", kHelpItems},
};

// Alt+"/" and Alt+"?" match the character, so About is reachable on any
// keyboard layout, wherever those two characters lie. F3 pauses; it has no
// menu item.
constexpr std::array kMainAccelerators{
    AcceleratorTemplate{true, '/', Alt, 104},
    AcceleratorTemplate{true, '?', Alt, 104},
    AcceleratorTemplate{false, vk::Letter('N'), Control, 32773},
    AcceleratorTemplate{false, vk::F2, NoModifier, 32773},
    AcceleratorTemplate{false, vk::F3, NoModifier, 32772},
    AcceleratorTemplate{false, vk::Letter('X'), Control, 105},
};

constexpr MenuTemplate kMainMenu{MainMenuId, kMainPopups, kMainAccelerators};

struct StringResource {
    int id;
    std::string_view text;
};

constexpr std::array kStrings{
    StringResource{TitleStringId, "Tumblewick"},
    StringResource{WindowClassStringId, "TUMBLEWICK"},
};

} // namespace

const MenuTemplate* FindMenuTemplate(int id) { return id == kMainMenu.id ? &kMainMenu : nullptr; }

std::string_view LoadStringResource(int id)
{
    for (const StringResource& each : kStrings) {
        if (each.id == id) {
            return each.text;
        }
    }
    return {};
}

} // namespace tw
