#include "platform/qt/QtMainWindow.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace tw {
namespace {

// After Alt alone, or Esc out of a popup, the bar holds the keys with no
// popup open. Styles draw a bar item selected only while its popup shows, so
// the player would not see where the keys go; here it shows as it does with
// the popup open.
class KeyboardMenuBarStyle final : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) && widget && widget->hasFocus()) {
            QStyleOptionMenuItem shown = *item;
            shown.state |= State_Sunken;
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void QtMainWindow::BuildMenu(const MenuTemplate& menu)
{
    // The menu bar belongs to the window, as on Windows, even where the
    // desktop offers a global one.
    menuBar()->setNativeMenuBar(false);
    auto* style = new KeyboardMenuBarStyle;
    style->setParent(menuBar());
    menuBar()->setStyle(style);
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
        connect(popupMenu, &QMenu::aboutToShow, this, [this] { SyncFocusAndMenu(true); });
        // Moving from one popup to the next hides one and shows the other;
        // only when none is open afterwards has the menu closed.
        connect(popupMenu, &QMenu::aboutToHide, this, [this] { SyncFocusAndMenuLater(); });
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
            // The focus can come back to a bar that has left its keyboard
            // mode, when the window is activated again; the keys then
            // belong to the playfield.
            if (!menuBar()->activeAction()) {
                client->setFocus(Qt::OtherFocusReason);
            }
            SyncFocusAndMenu();
        } else if (event->type() == QEvent::FocusOut) {
            SyncFocusAndMenuLater();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void QtMainWindow::SyncFocusAndMenuLater()
{
    QMetaObject::invokeMethod(this, [this] { SyncFocusAndMenu(); }, Qt::QueuedConnection);
}

void QtMainWindow::SyncFocusAndMenu(bool popupOpening)
{
    if (destroyed) {
        return;
    }
    const bool popupOpen =
        popupOpening || std::any_of(menus.begin(), menus.end(), [](const QMenu* menu) { return menu->isVisible(); });
    const bool barHasKeys = menuWidget() && menuWidget()->hasFocus() && menuBar()->activeAction();
    // A popup of the window's own menu keeps the window the player's, as a
    // menu on Windows never takes the focus. A modal dialog or message box
    // over the window does take it away.
    const bool nowActive = isActiveWindow() || popupOpen;
    // An inactive window holds no menu: the window system's activation moves
    // on and the bar's keys go with it.
    const bool nowInMenu = nowActive && (popupOpen || barHasKeys);
    if (!nowActive && focusWidget() == menuWidget()) {
        client->setFocus(Qt::OtherFocusReason); // where the keys go when it is active again
    }
    // Windows' order: a menu closes before the focus leaves, and the focus
    // arrives before a menu opens; so the handler never resumes a game in a
    // window that has lost the focus.
    WindowHandler* target = Handler();
    if (inMenu && !nowInMenu) {
        inMenu = false;
        target->OnMenuClosed();
    }
    if (active != nowActive) {
        active = nowActive;
        active ? target->OnSetFocus() : target->OnKillFocus();
    }
    if (!inMenu && nowInMenu) {
        inMenu = true;
        target->OnInitMenu();
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
