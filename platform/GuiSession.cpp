#include "platform/GuiSession.h"

#include <QApplication>

namespace tw {

struct GuiSession::Impl {
    Impl(int& argc, char** argv) : application(argc, argv) {}
    QApplication application;
};

GuiSession::GuiSession(int& argc, char** argv) : impl(std::make_unique<Impl>(argc, argv))
{
    QApplication::setApplicationName(QStringLiteral("Tumblewick"));
}

GuiSession::~GuiSession() = default;

} // namespace tw
