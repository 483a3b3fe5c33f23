#include "platform/DesktopMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "platform/MessageBox.h"

namespace tw {
namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

int ShowDesktopMessage(std::string_view text, std::string_view caption, unsigned style)
{
    QMessageBox box;
    box.setWindowTitle(caption.empty() ? QApplication::applicationName() : ToQString(caption));
    box.setText(ToQString(text));
    box.setIcon((style & MessageBoxIconInformation) ? QMessageBox::Information : QMessageBox::NoIcon);
    if (style & MessageBoxYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? ResultYes : ResultNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return ResultOk;
}

} // namespace tw
