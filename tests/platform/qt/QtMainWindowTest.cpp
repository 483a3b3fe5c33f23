#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <map>
#include <string>

#include "platform/VirtualKeys.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtMainWindowWidgets.h"
#include "platform/MainWindowDriver.h"

namespace tw::test {
namespace {

constexpr auto kNone = Qt::NoModifier, kAlt = Qt::AltModifier;

// Qt's codes of letters, digits, space and the characters typed are their
// ASCII codes, as the virtual keys of letters, digits and space are.
int QtKeyOf(const Keystroke& key)
{
    const std::map<int, int> named{{vk::Left, Qt::Key_Left}, {vk::Right, Qt::Key_Right}, {vk::Down, Qt::Key_Down},
                                   {vk::F2, Qt::Key_F2},     {vk::F3, Qt::Key_F3},       {kEscape, Qt::Key_Escape},
                                   {vk::Numpad2, Qt::Key_2}, {vk::Numpad4, Qt::Key_4},   {vk::Numpad6, Qt::Key_6}};
    const auto found = named.find(key.virtualKey);
    return found != named.end() ? found->second : key.virtualKey ? key.virtualKey : key.character;
}

class QtMainWindowDriver final : public MainWindowDriver {
public:
    QtMainWindowDriver(std::unique_ptr<MainWindow> made, RecordingWindowHandler& handler)
        : window(std::move(made)), handler(handler)
    {
    }

    QMainWindow* Widget() { return MainWindowWidget(*window); }
    QWidget* Client() { return ClientAreaWidget(*window); }
    QMenu* Popup(int index) { return Widget()->menuBar()->actions().at(index)->menu(); }

    MainWindow& TheWindow() override { return *window; }
    void Settle(int milliseconds) override { QTest::qWait(milliseconds); }
    void Activate(bool ours) override
    {
        QWidget* target = ours ? Widget() : &other;
        target->show();
        target->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(target));
    }
    // Alt goes down before the key and up after it, as the player's does:
    // alone, it would give the menu bar the keys.
    void Press(const Keystroke& key) override
    {
        const bool keypad = (key.modifiers & kKeypad) || (key.virtualKey >= vk::Numpad0 && key.virtualKey <= vk::Numpad9);
        const Qt::KeyboardModifiers modifiers{((key.modifiers & Alt) ? kAlt : kNone)
                                              | ((key.modifiers & Control) ? Qt::ControlModifier : kNone)
                                              | ((key.modifiers & Shift) ? Qt::ShiftModifier : kNone)
                                              | (keypad ? Qt::KeypadModifier : kNone)};
        const QString text = key.character ? QString(QChar(key.character)) : QString();
        QKeyEvent press(QEvent::KeyPress, QtKeyOf(key), modifiers, text, key.repeat);
        if (modifiers & kAlt) {
            QTest::keyPress(Client(), Qt::Key_Alt, kAlt);
        }
        QApplication::sendEvent(Client(), &press);
        if (modifiers & kAlt) {
            QTest::keyRelease(Client(), Qt::Key_Alt, kNone);
        }
    }
    // The popup opens with the mouse: the offscreen platform would move the
    // activation to a popup opened from the keyboard.
    void UseMenu(bool gamePopup, const std::vector<Keystroke>& keys) override
    {
        QMenuBar* bar = Widget()->menuBar();
        gamePopup ? QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions()[0]).center())
                  : QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt, kAlt);
        for (const Keystroke& key : keys) {
            Settle(20);
            QWidget* open = QApplication::activePopupWidget();
            QTest::keyClick(open ? open : QApplication::focusWidget(), Qt::Key(QtKeyOf(key)));
        }
        Settle(20);
    }
    // An item's own shortcut would show after its text: it would take its
    // keys from the accelerator table.
    Log MenuBar() override
    {
        Log seen;
        for (const QAction* title : Widget()->menuBar()->actions()) {
            seen.push_back(title->text().toStdString());
            for (QAction* item : title->menu()->actions()) {
                const QString text = item->text() + item->shortcut().toString();
                seen.push_back(item->isSeparator() ? "-" : text.toStdString());
                item->trigger(); // a separator has no command
                std::ranges::copy(handler.Take(), std::back_inserter(seen));
            }
        }
        return seen;
    }
    void Close() override { Widget()->close(); }
    void EndSession() override { static_cast<QtMainWindow*>(Widget())->EndSession(); }
    bool OnScreen() override { return Widget()->isVisible(); }
    // Qt sizes a window by what lies inside its frame.
    void Resize(Size frame) override
    {
        Widget()->resize(QSize(frame.cx, frame.cy).shrunkBy(Widget()->windowHandle()->frameMargins()));
    }
    void Minimize() override { Widget()->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized); }
    Size ClientPixels() override { return {Client()->width(), Client()->height()}; }
    // The offscreen platform's screen is the window's backing store.
    ColorRef ShownAt(Point pixel) override
    {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Widget()));
        const QImage shot = Widget()->screen()->grabWindow(Widget()->winId()).toImage();
        const QColor shown = shot.pixelColor(Client()->mapTo(Widget(), QPoint(pixel.x, pixel.y)));
        return Rgb(shown.red(), shown.green(), shown.blue());
    }

private:
    std::unique_ptr<MainWindow> window;
    RecordingWindowHandler& handler;
    QWidget other;
};

class QtMainWindowTest : public MainWindowTest {
protected:
    QtMainWindowDriver& QtDriver() { return static_cast<QtMainWindowDriver&>(*driver); }
    QMainWindow* Widget() { return QtDriver().Widget(); }
    QWidget* Client() { return QtDriver().Client(); }
};

// Control with Alt is AltGr typing a character, not an accelerator. Only Qt
// reports AltGr so; Windows types its characters as plain ones.
TEST_F(QtMainWindowTest, AltGrCharactersAreNoAccelerators)
{
    ShowActive();
    driver->Press({0, '/', Alt | Control});
    EXPECT_EQ(handler.Take(), Log{});
}

// The menu session and the focus as the handler hears them match what the
// player has in front of him after every step, whatever the order: a menu
// closes before the focus leaves, an inactive window holds no menu, and the
// bar that holds the keys (after Alt alone, or Esc out of a popup) shows its
// item highlighted and keeps them from the game. The popups are opened with
// the mouse: the offscreen platform moves the activation to a popup opened
// from the keyboard. Only here are the bar and its popups the window's own
// widgets, whose state the window must keep the session in step with.
TEST_F(QtMainWindowTest, MenuSessionAndFocusAgreeWithTheScreenInEveryOrder)
{
    const struct { std::vector<std::string> steps; Log heard; } cases[] = {
        {{"alt", "away", "back", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"alt", "click", "down"}, {"initmenu", "menuclosed", "key 40"}},
        {{"alt", "dialog", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "esc", "away", "back", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "esc", "down", "esc", "esc"}, {"initmenu", "menuclosed"}}, // the bar's Down opens the popup
        {{"popup", "dialog", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "right", "away", "back", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
    };
    const std::map<std::string, Qt::Key> keys{
        {"alt", Qt::Key_Alt}, {"esc", Qt::Key_Escape}, {"down", Qt::Key_Down}, {"right", Qt::Key_Right}};
    const auto activate = [](QWidget& w) { w.activateWindow(); ASSERT_TRUE(QTest::qWaitForWindowActive(&w)); };
    for (const auto& [steps, heard] : cases) {
        SCOPED_TRACE(testing::PrintToString(steps));
        Make();
        ShowActive();
        QMenuBar* bar = Widget()->menuBar();
        const QRect game = bar->actionGeometry(bar->actions()[0]);
        Log all;
        bool inMenu = false, focused = true;
        for (const std::string& step : steps) {
            if (keys.contains(step)) {
                QWidget* open = QApplication::activePopupWidget();
                QTest::keyClick(open ? open : QApplication::focusWidget(), keys.at(step), step == "alt" ? kAlt : kNone);
            } else if (step == "popup") {
                QTest::mouseClick(bar, Qt::LeftButton, {}, game.center());
            } else if (step == "click") {
                QTest::mouseClick(Client(), Qt::LeftButton);
            } else if (step == "away" || step == "back") {
                driver->Activate(step == "back");
            } else if (step == "dialog") {
                QWidget dialog(Widget(), Qt::Dialog);
                dialog.setWindowModality(Qt::WindowModal);
                dialog.show();
                activate(dialog);
                dialog.close();
                activate(*Widget());
            }
            QTest::qWait(20);
            SCOPED_TRACE("after " + step);
            for (const std::string& line : handler.Take()) {
                all.push_back(line);
                inMenu = line == "initmenu" || (inMenu && line != "menuclosed");
                focused = line == "setfocus" || (focused && line != "killfocus");
            }
            // The bar's first item shows highlighted while the keys or its popup are the menu's.
            const bool barHoldsKeys = bar->hasFocus();
            const QColor shown = bar->grab().toImage().pixelColor(game.left() + 2, game.center().y());
            EXPECT_EQ(inMenu, barHoldsKeys || QApplication::activePopupWidget() != nullptr);
            EXPECT_EQ(focused, Widget()->isActiveWindow());
            EXPECT_EQ(shown == bar->palette().color(QPalette::Highlight), barHoldsKeys || QtDriver().Popup(0)->isVisible());
        }
        EXPECT_EQ(all, heard);
    }
}

// Shown normal, a window minimised from maximised stands in its normal
// place by its frame; the minimum counts no frame before the window system
// has framed the window; and maximising takes effect only later on X11, so a
// dialog centred on a window just maximised uses the screen's area (one not
// maximised, the dialogs' owner case checks).
TEST_F(QtMainWindowTest, FrameAndMaximisingAsTheWindowSystemDoesThem)
{
    window->Show(true);
    driver->Minimize();
    window->Show(false);
    EXPECT_FALSE(window->GetPlacement().maximized);
    EXPECT_EQ(ToRect(Widget()->frameGeometry()), kNormal);
    handler.minimum = {700, 500};
    Make();
    EXPECT_EQ(Widget()->minimumSize(), QSize(700, 500));
    Widget()->setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(SeenFrameGeometry(*Widget()), Widget()->screen()->availableGeometry());
}

// The device pixel ratio is fixed when the application starts, so the
// doubled screen runs in a process of its own.
TEST_F(QtMainWindowTest, DoubledScreenGivesTheImageTwoDevicePixelsPerLogicalPixel)
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_SCALE_FACTOR", "2");
        EXPECT_EQ(QProcess::execute(QCoreApplication::applicationFilePath(), {"--gtest_filter=*.DoubledScreen*"}), 0);
        qunsetenv("QT_SCALE_FACTOR");
        return;
    }
    window->Show(false);
    ASSERT_EQ(Client()->devicePixelRatio(), 2);
    const Bitmap& image = window->ClientArea().Image();
    EXPECT_EQ(std::pair(image.Scale(), image.Width()), std::pair(2, Client()->width()));
    EXPECT_EQ(window->GetClientRect(), Rect::FromSize(0, 0, image.Width(), image.Height()));
}

} // namespace

std::unique_ptr<MainWindowDriver> MakeMainWindowDriver(const MainWindow::Creation& creation,
                                                       RecordingWindowHandler& handler)
{
    std::unique_ptr<MainWindow> window = MainWindow::Create(creation, handler);
    return window ? std::make_unique<QtMainWindowDriver>(std::move(window), handler) : nullptr;
}

} // namespace tw::test
