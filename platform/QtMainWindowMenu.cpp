#include "platform/QtMainWindowHost.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace tw {

void QtMainWindow::BuildMenu(const MenuTemplate& menu)
{
    // The menu bar belongs to the window, as on Windows, even where the
    // desktop offers a global one.
    menuBar()->setNativeMenuBar(false);
    for (const MenuPopupTemplate& popup : menu.popups) {
        QMenu* popupMenu = menuBar()->addMenu(ToQString(popup.title));
        menus.push_back(popupMenu);
        for (const MenuItemTemplate& item : popup.items) {
            if (item.text.empty()) {
                popupMenu->addSeparator();
                continue;
            }
            // The key name after the tab is only shown: the accelerator
            // table gives the keys their commands, also with the menu shut.
            QAction* action = popupMenu->addAction(ToQString(item.text));
            const int id = item.command;
            connect(action, &QAction::triggered, this, [this, id] { MenuChosen(id); });
        }
        connect(popupMenu, &QMenu::aboutToShow, this, [this] { MenuOpening(); });
        // Moving from one popup to the next hides one and shows the other;
        // only when none is open afterwards has the menu closed.
        connect(popupMenu, &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(this, [this] { MenuMayHaveClosed(); }, Qt::QueuedConnection);
        });
    }
    accelerators.assign(menu.accelerators.begin(), menu.accelerators.end());
    // Alt alone gives the menu bar the keyboard with no popup open, which is
    // a menu session all the same: it ends when the bar lets the keys go.
    menuBar()->installEventFilter(this);
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == menuWidget()) {
        if (event->type() == QEvent::FocusIn) {
            MenuOpening();
        } else if (event->type() == QEvent::FocusOut) {
            QMetaObject::invokeMethod(this, [this] { MenuMayHaveClosed(); }, Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void QtMainWindow::MenuOpening()
{
    if (inMenu) {
        return;
    }
    inMenu = true;
    if (WindowHandler* target = Handler()) {
        target->OnInitMenu();
    }
}

void QtMainWindow::MenuMayHaveClosed()
{
    const bool open = std::any_of(menus.begin(), menus.end(), [](const QMenu* menu) { return menu->isVisible(); }) ||
                      (menuWidget() && menuWidget()->hasFocus());
    if (!inMenu || open) {
        return;
    }
    inMenu = false;
    if (WindowHandler* target = Handler()) {
        target->OnMenuClosed();
    }
}

void QtMainWindow::MenuChosen(int id)
{
    // The menu has closed before its command runs, so a program that pauses
    // while the menu is open is running again when the command starts.
    if (inMenu) {
        inMenu = false;
        if (WindowHandler* target = Handler()) {
            target->OnMenuClosed();
        }
    }
    SendCommand(id);
}

} // namespace tw
