#include "platform/GuiSession.h"

#include <QApplication>
#include <QGuiApplication>

namespace tw {

struct GuiSession::Impl {
    Impl(int& argc, char** argv) : application(argc, argv) {}
    QApplication application;
};

GuiSession::GuiSession(int& argc, char** argv) : impl(std::make_unique<Impl>(argc, argv))
{
    QApplication::setApplicationName(QStringLiteral("Tumblewick"));
    // Lets the desktop match the window with the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brindlecove.Tumblewick"));
}

GuiSession::~GuiSession() = default;

} // namespace tw
