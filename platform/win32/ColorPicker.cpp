#include "platform/win32/ColorPicker.h"

#include <commdlg.h>

#include <algorithm>

namespace tw {

std::optional<ColorRef> PickColour(HWND owner, ColorRef initial, std::array<ColorRef, 16>& customColors)
{
    // The game's colours are COLORREFs already; the picker writes the custom
    // colours into the array it is given while it runs.
    std::array<COLORREF, 16> custom{};
    std::copy(customColors.begin(), customColors.end(), custom.begin());
    CHOOSECOLORW choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.rgbResult = initial;
    choice.lpCustColors = custom.data();
    choice.Flags = CC_RGBINIT | CC_SOLIDCOLOR | CC_ANYCOLOR;
    const bool chosen = ChooseColorW(&choice) != FALSE;
    std::copy(custom.begin(), custom.end(), customColors.begin());
    if (!chosen) {
        return std::nullopt;
    }
    return static_cast<ColorRef>(choice.rgbResult & 0xFFFFFF);
}

} // namespace tw
