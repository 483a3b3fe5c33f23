#include "platform/qt/QtColorPicker.h"

#include <QColorDialog>

#include "platform/qt/QtConvert.h"

namespace tw {

std::optional<ColorRef> PickColour(QWidget* parent, ColorRef initial, std::array<ColorRef, 16>& customColors)
{
    // Qt keeps one set of custom colours for the process; the caller's array
    // is the set that counts, so it goes in before and comes back after.
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        QColorDialog::setCustomColor(i, ToQColor(customColors[static_cast<std::size_t>(i)]));
    }
    QColorDialog picker(ToQColor(initial), parent);
    const bool chosen = picker.exec() == QDialog::Accepted;
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        customColors[static_cast<std::size_t>(i)] = ToColorRef(QColorDialog::customColor(i));
    }
    if (!chosen) {
        return std::nullopt;
    }
    return ToColorRef(picker.selectedColor());
}

} // namespace tw
