#include "platform/DesktopMessageBox.h"

#include <QMessageBox>

#include "platform/MessageBox.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtMessageBox.h"

namespace tw {

DialogResult ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, unsigned style)
{
    QMessageBox box(parent);
    box.setWindowTitle(ToQString(MessageBoxTitle(caption)));
    box.setText(ToQString(text));
    box.setIcon((style & MessageBoxIconInformation) ? QMessageBox::Information : QMessageBox::NoIcon);
    if (style & MessageBoxYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        // Escape and the close box answer No; a box the program dismissed
        // because it was told to end was not answered at all.
        if (box.property(kDismissedUnanswered).toBool()) {
            return DialogResult::Cancel;
        }
        return answer == QMessageBox::Yes ? DialogResult::Yes : DialogResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return DialogResult::Ok;
}

DialogResult ShowDesktopMessage(std::string_view text, std::string_view caption, unsigned style)
{
    return ShowMessageBox(nullptr, text, caption, style);
}

} // namespace tw
