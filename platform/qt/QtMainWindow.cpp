#include "platform/qt/QtMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "platform/LeastWindowSize.h"
#include "platform/MainWindow.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtKeyMap.h"
#include "platform/qt/QtMainWindowWidgets.h"
#include "platform/qt/QtResources.h"

namespace tw {

QtMainWindow::QtMainWindow(const Creation& creation, WindowHandler& handler)
    : handler(handler), client(new QtClientSurface(*this, this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setCentralWidget(client);
    setFocusProxy(client);
    client->setFocus();
    setWindowTitle(ToQString(creation.title));

    QIcon icon;
    for (const int id : {creation.largeIcon, creation.smallIcon}) {
        if (const QPixmap pixmap = LoadIconResource(id); !pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    if (!icon.isNull()) {
        setWindowIcon(icon);
    }

    if (creation.menu) {
        BuildMenu(*creation.menu);
    }

#if QT_CONFIG(sessionmanager)
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { EndSession(); });
#endif

    requestedNormal = creation.normal;
    ApplyNormalRect(requestedNormal);
    ApplyMinimumSize();
}

QtMainWindow::~QtMainWindow()
{
    // Whatever Qt does to the widgets from here on (hiding, losing the
    // activation) is no message for a program that is gone.
    destroyed = true;
}

void QtMainWindow::SetTimer(int id, int milliseconds)
{
    if (destroyed) {
        return;
    }
    QTimer*& timer = timers[id];
    if (!timer) {
        timer = new QTimer(this);
        // The drop timer sets the game's pace; a coarse timer would let it
        // wander by a twentieth.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (WindowHandler* target = Handler()) {
                target->OnTimer(id);
            }
        });
    }
    timer->start(std::max(milliseconds, 0));
}

void QtMainWindow::Destroy()
{
    if (destroyed) {
        return;
    }
    // Nothing reaches the handler after its last message.
    destroyed = true;
    for (auto& [id, timer] : timers) {
        timer->stop();
    }
    hide();
    handler.OnDestroy();
}

void QtMainWindow::EndSession()
{
    // Qt asks for this at checkpoints and before logouts that may yet be
    // cancelled; a session that really ends closes the window on its own.
    if (WindowHandler* target = Handler()) {
        target->OnEndSession();
    }
}

void QtMainWindow::closeEvent(QCloseEvent* event)
{
    if (WindowHandler* target = Handler()) {
        target->OnClose();
    }
    event->accept();
    Destroy();
}

void QtMainWindow::keyPressEvent(QKeyEvent* event)
{
    // While the menu bar has the keyboard (after Alt alone), keys that it
    // leaves are the menu's business, not the program's.
    WindowHandler* target = Handler();
    if (!target || (menuWidget() && menuWidget()->hasFocus())) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    for (const AcceleratorTemplate& accelerator : accelerators) {
        if (Matches(accelerator, *event)) {
            event->accept();
            target->OnCommand(accelerator.command);
            return;
        }
    }
    // A key held with Alt belongs to the menu and the system, not to the
    // program's key handling.
    const int virtualKey = VirtualKeyOf(*event);
    if (virtualKey != 0 && !(event->modifiers() & Qt::AltModifier) && target->OnKeyDown(virtualKey)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void QtMainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        SyncFocusAndMenu();
    } else if (event->type() == QEvent::WindowStateChange) {
        FrameMayHaveChanged();
    }
}

void QtMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!watchingScreen && windowHandle()) {
        watchingScreen = true;
        // Another screen may have another pixel ratio; the ratio is known
        // once the move has been handled.
        connect(windowHandle(), &QWindow::screenChanged, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!destroyed && client->FitImage() && client->isVisible()) {
                        client->Refresh();
                    }
                },
                Qt::QueuedConnection);
        });
    }
    FrameMayHaveChanged();
}

void QtMainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    FrameMayHaveChanged();
}

void QtMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FrameMayHaveChanged();
}

QMargins QtMainWindow::Frame() const
{
    // Until the window system has framed the window (on X11 after it maps
    // it), Qt knows no frame and reports none.
    const QWindow* handle = windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void QtMainWindow::ApplyNormalRect(const Rect& normal)
{
    // Qt places a top-level window by its frame but sizes it by what lies
    // inside, so only the size needs the frame taken off.
    placedWithFrame = Frame();
    requestedClientSize = QSize(std::max(1, normal.Width() - placedWithFrame.left() - placedWithFrame.right()),
                                std::max(1, normal.Height() - placedWithFrame.top() - placedWithFrame.bottom()));
    move(normal.left, normal.top);
    resize(requestedClientSize);
}

void QtMainWindow::FrameMayHaveChanged()
{
    if (destroyed) {
        return;
    }
    const QMargins frame = Frame();
    const bool normalState = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    // The minimum first: one that still counts no frame is a frame's height
    // too tall, and the window manager would hold the size below to it.
    const QSize sizeBefore = size();
    if (frame != minimumWithFrame) {
        minimumWithFrame = frame;
        ApplyMinimumSize();
    }
    // The frame came after the size was set: once the window shows in its
    // normal state, make it what was asked for, frame included. A size the
    // player or the window manager chose in between is theirs to keep.
    if (!placementSettled && normalState && isVisible() && frame != placedWithFrame
        && sizeBefore == requestedClientSize) {
        placementSettled = true;
        ApplyNormalRect(requestedNormal);
    }
    if (normalState && isVisible()) {
        normalClient = geometry();
    }
}

void QtMainWindow::ApplyMinimumSize()
{
    // Qt has no message while a border is dragged, so the least size is set
    // ahead. Qt's minimum counts the menu bar but not the frame, which until
    // it is known counts as none: that can only make the minimum larger.
    const QMargins frame = Frame();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int menuHeight = menuWidget() ? menuWidget()->sizeHint().height() : 0;
    const Size least = LeastWindowSize(handler, {minimumClient.width(), minimumClient.height()},
                                       {frameWidth, frameHeight + menuHeight});
    setMinimumSize(std::max(1, least.cx - frameWidth), std::max(1, least.cy - frameHeight));
}

WindowPlacementState QtMainWindow::GetPlacement() const
{
    WindowPlacementState state;
    // Qt keeps the maximised state under a minimised one; a minimised window
    // is stored as it will come back, in its normal place.
    state.maximized = isMaximized() && !isMinimized();
    // A window that has never been on the screen in its normal state still
    // has the normal rectangle it was given; Qt's own record of it would
    // mix up frame and client positions.
    state.normal = normalClient ? ToRect(normalClient->marginsAdded(Frame())) : requestedNormal;
    return state;
}

QMainWindow* MainWindowWidget(Window& window) { return dynamic_cast<QtMainWindow*>(&window); }

QWidget* ClientAreaWidget(Window& window)
{
    auto* main = dynamic_cast<QtMainWindow*>(&window);
    return main ? &main->Client() : nullptr;
}

std::unique_ptr<MainWindow> MainWindow::Create(const Creation& creation, WindowHandler& handler)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return nullptr;
    }
    return std::make_unique<QtMainWindow>(creation, handler);
}

ScreenMetrics GetScreenMetrics()
{
    ScreenMetrics metrics;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        metrics.width = screen->geometry().width();
        metrics.height = screen->geometry().height();
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const int icon = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        metrics.iconWidth = icon;
        metrics.iconHeight = icon;
    }
    return metrics;
}

} // namespace tw
