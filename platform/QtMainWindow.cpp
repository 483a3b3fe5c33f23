#include "platform/QtMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/MainWindow.h"
#include "platform/MenuTemplate.h"
#include "platform/QtConvert.h"
#include "platform/QtMessageBox.h"
#include "platform/QtResources.h"
#include "platform/QtWindowOwner.h"
#include "platform/VirtualKeys.h"

namespace tw {
namespace {

// Device pixels per logical pixel of the client area's image: whole pixels,
// never fewer than the screen has, so cards stay crisp. A little slack keeps
// a ratio of 2 computed as 2.0000001 at 2.
int ImageScaleFor(qreal devicePixelRatio)
{
    return std::max(1, static_cast<int>(std::ceil(devicePixelRatio - 1e-6)));
}

// Windows codes of keys the game never asks for by name; the handler still
// sees them, as a window procedure would.
constexpr int kBack = 0x08;
constexpr int kTab = 0x09;
constexpr int kClear = 0x0C;
constexpr int kReturn = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kPrior = 0x21;
constexpr int kNext = 0x22;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kInsert = 0x2D;
constexpr int kDelete = 0x2E;
constexpr int kMultiply = 0x6A;
constexpr int kAdd = 0x6B;
constexpr int kSubtract = 0x6D;
constexpr int kDecimal = 0x6E;
constexpr int kDivide = 0x6F;

struct KeyCode {
    int qtKey;
    int virtualKey;
};

// Keys whose code does not depend on the keypad: the keypad's own arrows and
// Home, End and the like (NumLock off) are the same keys as the grey ones.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Space, vk::Space},     {Qt::Key_Left, vk::Left},       {Qt::Key_Up, vk::Up},
    {Qt::Key_Right, vk::Right},     {Qt::Key_Down, vk::Down},       {Qt::Key_Backspace, kBack},
    {Qt::Key_Tab, kTab},            {Qt::Key_Clear, kClear},        {Qt::Key_Return, kReturn},
    {Qt::Key_Enter, kReturn},       {Qt::Key_Escape, kEscape},      {Qt::Key_PageUp, kPrior},
    {Qt::Key_PageDown, kNext},      {Qt::Key_End, kEnd},            {Qt::Key_Home, kHome},
    {Qt::Key_Insert, kInsert},      {Qt::Key_Delete, kDelete},
};

// The keypad's digits and operators while NumLock is on.
constexpr KeyCode kKeypadKeys[] = {
    {Qt::Key_Asterisk, kMultiply}, {Qt::Key_Plus, kAdd},      {Qt::Key_Minus, kSubtract},
    {Qt::Key_Period, kDecimal},    {Qt::Key_Comma, kDecimal}, {Qt::Key_Slash, kDivide},
};

// The Windows virtual key of a key press; 0 for a key the game's key map
// has no code for.
int VirtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return vk::Numpad0 + (key - Qt::Key_0);
    }
    if (keypad) {
        for (const KeyCode& each : kKeypadKeys) {
            if (each.qtKey == key) {
                return each.virtualKey;
            }
        }
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return key; // Qt's codes of these are their upper-case ASCII codes too
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return vk::F1 + (key - Qt::Key_F1);
    }
    for (const KeyCode& each : kKeys) {
        if (each.qtKey == key) {
            return each.virtualKey;
        }
    }
    return 0;
}

unsigned AcceleratorModifiersOf(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ControlModifier) ? Control : 0u) | ((modifiers & Qt::AltModifier) ? Alt : 0u)
           | ((modifiers & Qt::ShiftModifier) ? Shift : 0u);
}

bool Matches(const AcceleratorTemplate& accelerator, const QKeyEvent& event)
{
    const unsigned modifiers = AcceleratorModifiersOf(event.modifiers());
    if (accelerator.character) {
        // A character is whatever the layout makes of the keys, Shift
        // included, so only Alt and Control count. Control with Alt is AltGr
        // typing a character, not an accelerator.
        if ((modifiers & (Alt | Control)) != (accelerator.modifiers & (Alt | Control))) {
            return false;
        }
        const QString text = event.text();
        return event.key() == accelerator.key || (text.size() == 1 && text.at(0).unicode() == accelerator.key);
    }
    return modifiers == accelerator.modifiers && VirtualKeyOf(event) == accelerator.key;
}

class QtMainWindow;

// The client area: the window's image, shown as it is. The game draws into
// the image and presents what it changed; exposure only puts the image back.
class ClientSurface final : public QWidget, public Surface {
public:
    ClientSurface(QtMainWindow& owner, QWidget* parent) : QWidget(parent), owner(owner)
    {
        setObjectName(QStringLiteral("clientArea"));
        setFocusPolicy(Qt::StrongFocus);
        // Every pixel comes from the image: no background of Qt's first.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    Bitmap& Image() override { return image; }

    void Present(const Rect& area) override
    {
        if (batched) {
            return;
        }
        // At once, not at the next turn of the event loop: the game sleeps
        // between the steps of its animations.
        repaint(area.left, area.top, area.Width(), area.Height());
    }

    // Gives the image the widget's size and scale; true when it changed.
    bool FitImage()
    {
        const int scale = ImageScaleFor(devicePixelRatioF());
        if (image.Width() == width() && image.Height() == height() && image.Scale() == scale) {
            return false;
        }
        // Move-assigned: drawing contexts hold on to this very object.
        image = Bitmap(width(), height(), scale);
        return true;
    }

    // Erase and paint, as a window invalidated whole is; the screen gets the
    // finished picture in one go.
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QImage view(reinterpret_cast<const uchar*>(image.Data().data()), image.Width() * image.Scale(),
                          image.Height() * image.Scale(), image.Width() * image.Scale() * 4, QImage::Format_RGB32);
        const QRect area = event->rect();
        const int scale = image.Scale();
        QPainter painter(this);
        // On a screen with a fractional ratio the image has more pixels than
        // the screen; averaging them keeps text and card edges even.
        if (devicePixelRatioF() != scale) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
        }
        painter.drawImage(area, view,
                          QRect(area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale));
    }

    void resizeEvent(QResizeEvent*) override
    {
        // A hidden window is painted when it shows.
        if (FitImage() && isVisible() && !showing) {
            Refresh();
        }
    }

    void showEvent(QShowEvent*) override;

private:
    QtMainWindow& owner;
    Bitmap image{0, 0};
    bool batched = false;
    bool showing = false;
};

class QtMainWindow final : public QMainWindow, public MainWindow, public QtWindowOwner {
public:
    QtMainWindow(const Creation& creation, WindowHandler& handler);
    ~QtMainWindow() override;

    WindowHandler* Handler() { return destroyed ? nullptr : &handler; }
    void FrameMayHaveChanged();
    ClientSurface& Client() { return *client; }

    // Window
    int ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        const int result = ShowMessageBox(this, text, caption, style);
        // As after a dialog: the owner is in front again at once, whether
        // or not the window system hands the activation back.
        if (!destroyed) {
            activateWindow();
            raise();
        }
        return result;
    }
    Surface& ClientArea() override { return *client; }
    Rect GetClientRect() const override { return Rect::FromSize(0, 0, client->width(), client->height()); }
    void SetTimer(int id, int milliseconds) override;
    void KillTimer(int id) override
    {
        if (const auto found = timers.find(id); found != timers.end()) {
            found->second->stop();
        }
    }
    void SendCommand(int id) override
    {
        if (WindowHandler* target = Handler()) {
            target->OnCommand(id);
        }
    }
    void PostCommand(int id) override
    {
        QMetaObject::invokeMethod(this, [this, id] { SendCommand(id); }, Qt::QueuedConnection);
    }
    void SetTitle(std::string_view title) override { setWindowTitle(ToQString(title)); }
    void Redraw() override
    {
        if (!destroyed) {
            client->FitImage();
            client->Refresh();
        }
    }
    WindowPlacementState GetPlacement() const override;
    void Show(bool maximized) override
    {
        if (!destroyed) {
            maximized ? showMaximized() : showNormal();
        }
    }
    void Destroy() override;

    // QtWindowOwner
    QWidget* OwnerWidget() override { return this; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu(const MenuTemplate& menu);
    void MenuOpening();
    void MenuMayHaveClosed();
    void MenuChosen(int id);
    QMargins Frame() const;
    void ApplyNormalRect(const Rect& normal);
    void ApplyMinimumSize();

    WindowHandler& handler;
    ClientSurface* client;
    std::vector<QMenu*> menus;
    std::vector<AcceleratorTemplate> accelerators;
    std::map<int, QTimer*> timers;
    bool destroyed = false;
    bool active = false;
    bool inMenu = false;
    bool watchingScreen = false;
    // The placement asked for, frame included, and the frame assumed when
    // the size was set; the window system tells the real frame later.
    Rect requestedNormal;
    QSize requestedClientSize;
    QMargins placedWithFrame;
    bool placementSettled = false;
    QMargins minimumWithFrame;
    // Where the window last stood in its normal state on the screen.
    std::optional<QRect> normalClient;
};

void ClientSurface::Refresh()
{
    WindowHandler* handler = owner.Handler();
    if (!handler) {
        return;
    }
    {
        ClientDC dc(*this);
        batched = true;
        handler->OnEraseBackground(dc);
        handler->OnPaint(dc);
        batched = false;
    }
    repaint();
}

void ClientSurface::showEvent(QShowEvent*)
{
    // Where the window system frames the window as it shows it, the size
    // is put right first, so the first picture is painted at the final size.
    showing = true;
    owner.FrameMayHaveChanged();
    showing = false;
    FitImage();
    Refresh();
}

QtMainWindow::QtMainWindow(const Creation& creation, WindowHandler& handler)
    : handler(handler), client(new ClientSurface(*this, this))
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
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (WindowHandler* target = Handler()) {
            target->OnEndSession();
            Destroy();
        }
    });
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
    const bool open = std::any_of(menus.begin(), menus.end(), [](const QMenu* menu) { return menu->isVisible(); });
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
        // The keyboard focus lives in the active window; a modal dialog or
        // message box over this one takes it away.
        const bool nowActive = isActiveWindow();
        if (nowActive != active) {
            active = nowActive;
            if (WindowHandler* target = Handler()) {
                active ? target->OnSetFocus() : target->OnKillFocus();
            }
        }
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
    // The frame came after the size was set: once the window shows in its
    // normal state, make it what was asked for, frame included. A size the
    // player or the window manager chose in between is theirs to keep.
    if (!placementSettled && normalState && isVisible() && frame != placedWithFrame
        && size() == requestedClientSize) {
        placementSettled = true;
        ApplyNormalRect(requestedNormal);
    }
    if (frame != minimumWithFrame) {
        minimumWithFrame = frame;
        ApplyMinimumSize();
    }
    if (normalState && isVisible()) {
        normalClient = geometry();
    }
}

void QtMainWindow::ApplyMinimumSize()
{
    // Qt has no message while a border is dragged; the handler's sizing
    // rule, asked about a tiny window dragged by its bottom-right corner,
    // says how small the window may get. Until the frame is known it counts
    // as none, which can only make the minimum larger.
    Rect probe{0, 0, 1, 1};
    handler.OnSizing(EdgeBottomRight, probe);
    const QMargins frame = Frame();
    setMinimumSize(std::max(1, probe.Width() - frame.left() - frame.right()),
                   std::max(1, probe.Height() - frame.top() - frame.bottom()));
}

WindowPlacementState QtMainWindow::GetPlacement() const
{
    WindowPlacementState state;
    state.maximized = isMaximized();
    // A window that has never been on the screen in its normal state still
    // has the normal rectangle it was given; Qt's own record of it would
    // mix up frame and client positions.
    state.normal = normalClient ? ToRect(normalClient->marginsAdded(Frame())) : requestedNormal;
    return state;
}

} // namespace

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
