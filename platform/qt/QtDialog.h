#pragma once

#include <QFont>
#include <QRect>

class QDialog;
class QWidget;

namespace tw {

class Dialog;
struct DialogTemplate;

// Dialog units are measured on the dialog's font, as Windows measures them:
// x is the average width of the 52 Latin letters, rounded, and y the font's
// height, both in pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// The font a template's dialog is drawn in. The templates name a bitmap font
// that does not exist here; the stand-in keeps every text of every template
// inside its box.
QFont DialogFont(const DialogTemplate& dialogTemplate);
DialogBaseUnits MeasureBaseUnits(const QFont& font);
// Each value is scaled on its own and rounded, as the dialog manager does.
QRect DialogUnitsToPixels(DialogBaseUnits units, int x, int y, int width, int height);

// The widgets behind a dialog that RunModalDialog opened; null for any other
// Dialog or an id the dialog does not have.
QDialog* DialogWidget(Dialog& dialog);
QWidget* DialogItemWidget(Dialog& dialog, int id);

} // namespace tw
