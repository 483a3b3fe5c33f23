#include "platform/Dialog.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

#include "platform/DialogTemplate.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtDialogWindow.h"
#include "platform/qt/QtWindowOwner.h"
#include "platform/Window.h"

namespace tw {

QFont DialogFont(const DialogTemplate& dialogTemplate)
{
    // The templates' 8-point bitmap font measured 6 x 13 pixels. DejaVu Sans
    // at that size is too wide for the longest welcome line; the Helvetica
    // design (Nimbus Sans, or its metric twins) at 10 pixels gives 6 x 14 and
    // fits every text. Pixel sizes keep the layout independent of the
    // screen's claimed resolution, as the original's was.
    QFont font;
    font.setFamilies({QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, (dialogTemplate.fontPoints * 5 + 2) / 4));
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

namespace {

// MulDiv's rounding: halves away from zero.
int Scale(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

QRect DialogUnitsToPixels(DialogBaseUnits units, int x, int y, int width, int height)
{
    return {Scale(x, units.x, 4), Scale(y, units.y, 8), Scale(width, units.x, 4), Scale(height, units.y, 8)};
}

QDialog* DialogWidget(Dialog& dialog) { return dynamic_cast<QtDialogWindow*>(&dialog); }

QWidget* DialogItemWidget(Dialog& dialog, int id)
{
    const auto* window = dynamic_cast<QtDialogWindow*>(&dialog);
    return window ? window->Item(id) : nullptr;
}

DialogResult RunModalDialog(const DialogTemplate& dialogTemplate, DialogHandler& handler, Window* owner)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return DialogResult::NotShown;
    }
    auto* ownerSource = dynamic_cast<QtWindowOwner*>(owner);
    QWidget* ownerWidget = ownerSource ? ownerSource->OwnerWidget() : nullptr;
    if (ownerWidget) {
        ownerWidget = ownerWidget->window();
    }

    DialogResult result = DialogResult::NotShown;
    {
        QtDialogWindow dialog(dialogTemplate, handler, ownerWidget);
        if (!dialog.Build()) {
            return DialogResult::NotShown;
        }
        result = dialog.Run();
    }
    // Qt hands the activation back only when the window system cooperates;
    // the owner must be usable and in front again at once, as after
    // EndDialog.
    if (ownerWidget) {
        ownerWidget->setEnabled(true);
        ownerWidget->activateWindow();
        ownerWidget->raise();
    }
    return result;
}

} // namespace tw
