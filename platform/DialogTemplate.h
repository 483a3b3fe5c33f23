#pragma once

#include <span>
#include <string_view>

namespace tw {

// A dialog described as data, the way a resource file describes it:
// positions and sizes are dialog units, a quarter of the dialog font's average
// character width across and an eighth of its height down.
enum class ControlKind {
    Label,
    PushButton,
    CheckBox,    // toggles itself when clicked
    RadioButton, // checks itself and clears the others of its group
    EditBox,
    EtchedLine,  // a sunken horizontal rule
    Icon,        // an icon from the resources; `icon` names it
};

enum ControlStyle : unsigned {
    StyleNone = 0,
    DefaultButton = 1 << 0, // pressed by Enter
    Centred = 1 << 1,       // label text centred in its box
    ReadOnly = 1 << 2,
    Bordered = 1 << 3,
    ScrollsHorizontally = 1 << 4,
    TabStop = 1 << 5,
    GroupStart = 1 << 6, // the first radio button of a group
};

struct ControlTemplate {
    ControlKind kind = ControlKind::Label;
    int id = -1; // -1 for controls the program never reaches
    std::string_view text;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    unsigned style = StyleNone;
    int icon = 0;
};

enum DialogStyle : unsigned {
    WithCaption = 1 << 0,    // a title bar with the dialog's title
    WithSystemMenu = 1 << 1, // and a close box
    ModalFrame = 1 << 2,
    ThinBorder = 1 << 3,     // a plain popup: no title bar, a one-pixel frame
};

struct DialogTemplate {
    int id = 0;
    std::string_view title;
    int width = 0;
    int height = 0;
    unsigned style = 0;
    std::string_view fontName;
    int fontPoints = 8;
    std::span<const ControlTemplate> controls;
};

} // namespace tw
