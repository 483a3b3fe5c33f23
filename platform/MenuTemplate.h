#pragma once

#include <span>
#include <string_view>

namespace tw {

// A menu bar and its accelerator table as data. Item texts carry their `&`
// mnemonic and, after a tab, the key name shown at the right.
struct MenuItemTemplate {
    std::string_view text; // empty: a separator
    int command = 0;
};

struct MenuPopupTemplate {
    std::string_view title;
    std::span<const MenuItemTemplate> items;
};

enum AcceleratorModifier : unsigned {
    NoModifier = 0,
    Control = 1 << 0,
    Alt = 1 << 1,
    Shift = 1 << 2,
};

// A key that gives a command without opening the menu. `character` keys
// match the character typed (Alt+"?"), the others a virtual key code.
struct AcceleratorTemplate {
    bool character = false;
    int key = 0; // a character, or a virtual key code
    unsigned modifiers = NoModifier;
    int command = 0;
};

struct MenuTemplate {
    int id = 0;
    std::span<const MenuPopupTemplate> popups;
    std::span<const AcceleratorTemplate> accelerators;
};

} // namespace tw
