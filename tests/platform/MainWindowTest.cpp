#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "platform/MainWindow.h"
#include "platform/MessageLoop.h"
#include "platform/QtConvert.h"
#include "platform/QtMainWindow.h"
#include "resources/DialogTemplates.h"
#include "resources/MenuTemplates.h"
#include "support/RecordingWindowHandler.h"

namespace tw {
namespace {

using Log = std::vector<std::string>;
constexpr Rect kNormal{100, 80, 738, 538};
constexpr auto kNone = Qt::NoModifier, kAlt = Qt::AltModifier, kCtrl = Qt::ControlModifier,
               kShift = Qt::ShiftModifier, kPad = Qt::KeypadModifier;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Make(); }
    void Make()
    {
        window.reset();
        window = MainWindow::Create(
            {"Tumblewick", kNormal, FindMenuTemplate(MainMenuId), ProgramIconId, SmallProgramIconId}, handler);
        ASSERT_TRUE(window);
    }
    // Shown, in front and with nothing logged yet.
    void ShowActive()
    {
        window->Show(false);
        Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Widget()));
        handler.Take();
    }
    QMainWindow* Widget() { return MainWindowWidget(*window); }
    QWidget* Client() { return ClientAreaWidget(*window); }
    QMenu* Popup(int index) { return Widget()->menuBar()->actions().at(index)->menu(); }
    // What the screen shows at a point of the client area: on the offscreen
    // platform, the window's backing store.
    QColor OnScreen(QPoint logical)
    {
        const QImage shot = Widget()->screen()->grabWindow(Widget()->winId()).toImage();
        return shot.pixelColor(Client()->mapTo(Widget(), logical));
    }

    test::RecordingWindowHandler handler;
    std::unique_ptr<MainWindow> window;
};

// Qt's keys, auto-repeated or not, and the codes the handler gets; nothing
// for keys the key map has no code for, or that Alt gives to the menu.
// Keypad digits are NumLock on, keypad arrows NumLock off.
TEST_F(MainWindowTest, KeysReachTheHandlerAsVirtualKeyCodes)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool repeat;
        Log log;
    };
    const Case cases[] = {
        {Qt::Key_Left, kNone, true, {"key 37"}},   {Qt::Key_Up, kNone, false, {"key 38"}},
        {Qt::Key_Right, kNone, true, {"key 39"}},  {Qt::Key_Down, kNone, false, {"key 40"}},
        {Qt::Key_Space, kNone, true, {"key 32"}},
        {Qt::Key_Q, kShift, false, {"key 81"}},    {Qt::Key_7, kNone, false, {"key 55"}},
        {Qt::Key_F1, kNone, false, {"key 112"}},   {Qt::Key_B, kCtrl, false, {"key 66"}},
        {Qt::Key_2, kPad, false, {"key 98"}},      {Qt::Key_4, kPad, true, {"key 100"}},
        {Qt::Key_5, kPad, false, {"key 101"}},     {Qt::Key_6, kPad, false, {"key 102"}},
        {Qt::Key_8, kPad, false, {"key 104"}},     {Qt::Key_Left, kPad, false, {"key 37"}},
        {Qt::Key_Down, kPad, true, {"key 40"}},    {Qt::Key_Exclam, kShift, false, {}},
        {Qt::Key_Left, kAlt, false, {}},
    };
    ShowActive();
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.key) + (each.repeat ? " repeated" : ""));
        QKeyEvent press(QEvent::KeyPress, each.key, each.modifiers, QString(), each.repeat);
        QApplication::sendEvent(Client(), &press);
        EXPECT_EQ(handler.Take(), each.log);
    }
}

// The accelerator table's keys give commands, never keys, and leave the menu
// bar alone; About's keys go by the character, on any layout.
TEST_F(MainWindowTest, AcceleratorsGiveCommandsInsteadOfKeys)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        Log log;
    };
    const Case cases[] = {
        {Qt::Key_N, kCtrl, "\x0e", {"command 32773"}},  {Qt::Key_F2, kNone, "", {"command 32773"}},
        {Qt::Key_F3, kNone, "", {"command 32772"}},     {Qt::Key_X, kCtrl, "\x18", {"command 105"}},
        {Qt::Key_Slash, kAlt, "/", {"command 104"}},    {Qt::Key_Question, kAlt | kShift, "?", {"command 104"}},
        {Qt::Key_Slash, kAlt | kPad, "/", {"command 104"}},
        {Qt::Key_7, kAlt | kShift, "/", {"command 104"}}, // "/" on Shift+7
        // Not quite the table's keys.
        {Qt::Key_N, kNone, "n", {"key 78"}},            {Qt::Key_F2, kShift, "", {"key 113"}},
        {Qt::Key_X, kCtrl | kShift, "\x18", {"key 88"}}, {Qt::Key_Slash, kAlt | kCtrl, "/", {}},
    };
    ShowActive();
    // Alt alone does open the menu bar for keyboard navigation, and keys are
    // then the menu's.
    QTest::keyPress(Client(), Qt::Key_Alt, kAlt);
    QTest::keyRelease(Client(), Qt::Key_Alt, kNone);
    ASSERT_NE(Widget()->menuBar()->activeAction(), nullptr);
    QTest::keyClick(Widget()->menuBar(), Qt::Key_Z);
    QTest::keyClick(Widget()->menuBar(), Qt::Key_F3);
    EXPECT_EQ(handler.Take(), Log{});
    QTest::keyClick(Widget()->menuBar(), Qt::Key_Escape);
    Client()->setFocus();

    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.key) + " " + each.text);
        const bool alt = each.modifiers & kAlt;
        if (alt) {
            QTest::keyPress(Client(), Qt::Key_Alt, kAlt);
        }
        QTest::sendKeyEvent(QTest::Click, Client(), Qt::Key(each.key), QString::fromLatin1(each.text), each.modifiers);
        if (alt) {
            QTest::keyRelease(Client(), Qt::Key_Alt, kNone);
        }
        EXPECT_EQ(handler.Take(), each.log);
        EXPECT_EQ(Widget()->menuBar()->activeAction(), nullptr);
        EXPECT_TRUE(Client()->hasFocus());
    }
}

TEST_F(MainWindowTest, MenuItemsHaveTheirTextsAndCommandsButNoShortcuts)
{
    using Items = std::vector<std::pair<std::string, int>>; // "": a separator
    const std::pair<std::string, Items> expected[] = {
        {"&Game",
         {{"&New\tCtrl+N", 32773}, {"", 0}, {"High Score List...", 32776}, {"&Options...", 32774}, {"", 0},
          {"E&xit\tCtrl+X", 105}}},
        {"&Help",
         {{"&Help on Tumblewick...", 32778}, {"", 0}, {"&Introduction...", 32777}, {"&About ...", 104}, {"", 0},
          {"&Tumblewick on the Web...", 32781}}},
    };
    const QList<QAction*> titles = Widget()->menuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(titles[p]->text().toStdString(), expected[p].first);
        const QList<QAction*> actions = titles[p]->menu()->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected[p].second.size()));
        for (qsizetype i = 0; i < actions.size(); ++i) {
            const auto& [text, command] = expected[p].second[static_cast<std::size_t>(i)];
            EXPECT_EQ(actions[i]->text().toStdString(), text);
            EXPECT_EQ(actions[i]->isSeparator(), text.empty());
            EXPECT_TRUE(actions[i]->shortcut().isEmpty());
            if (!text.empty()) {
                actions[i]->trigger();
                EXPECT_EQ(handler.Take(), Log{"command " + std::to_string(command)});
            }
        }
    }
    EXPECT_EQ(LoadStringResource(TitleStringId), "Tumblewick");
    EXPECT_EQ(LoadStringResource(WindowClassStringId), "TUMBLEWICK");
    EXPECT_EQ(LoadStringResource(104), "");
    EXPECT_EQ(FindMenuTemplate(108), nullptr);
}

// One menu session from opening to closing, however many popups it shows;
// a chosen item's command comes after the menu has closed.
TEST_F(MainWindowTest, MenuSessionsOpenOnceAndCloseBeforeTheCommand)
{
    ShowActive();
    QMenuBar* bar = Widget()->menuBar();
    const auto shown = [](QMenu* menu) { return QTest::qWaitFor([menu] { return menu->isVisible(); }); };
    // The offscreen platform moves the activation around a popup opened from
    // the keyboard, which X11 does not; those messages are left out.
    const auto menuLog = [&] {
        Log log = handler.Take();
        std::erase_if(log, [](const std::string& line) { return line.ends_with("focus"); });
        return log;
    };

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions()[0]).center());
    ASSERT_TRUE(shown(Popup(0)));
    QTest::keyClick(Popup(0), Qt::Key_Right);
    ASSERT_TRUE(shown(Popup(1)));
    QCoreApplication::processEvents();
    EXPECT_EQ(handler.Take(), Log{"initmenu"});
    QTest::mouseClick(Popup(1), Qt::LeftButton, {}, Popup(1)->actionGeometry(Popup(1)->actions()[3]).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(handler.Take(), (Log{"menuclosed", "command 104"}));

    QTest::keyClick(Client(), Qt::Key_G, kAlt);
    ASSERT_TRUE(shown(Popup(0)));
    QTest::keyClick(Popup(0), Qt::Key_Escape);
    QTest::qWait(10);
    EXPECT_EQ(menuLog(), (Log{"initmenu", "menuclosed"}));
    Widget()->activateWindow();
    QTest::keyClick(Client(), Qt::Key_H, kAlt);
    ASSERT_TRUE(shown(Popup(1)));
    QTest::keyClick(Popup(1), Qt::Key_I);
    QCoreApplication::processEvents();
    EXPECT_EQ(menuLog(), (Log{"initmenu", "menuclosed", "command 32777"}));
}

TEST_F(MainWindowTest, TimersTickUntilKilledAndPostedCommandsWaitForTheEvent)
{
    window->SetTimer(7, 40);
    window->SetTimer(7, 10); // restarted, still one timer
    QTest::qWait(35);
    window->KillTimer(7);
    const Log ticks = handler.Take();
    EXPECT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks, Log(ticks.size(), "timer 7"));
    QTest::qWait(30);
    EXPECT_EQ(handler.Take(), Log{});

    handler.onCommand = [&](int id) {
        if (id == 1) {
            window->PostCommand(3);
            window->SendCommand(2);
            handler.Log("end of 1");
        }
    };
    window->SendCommand(1);
    EXPECT_EQ(handler.Take(), (Log{"command 1", "command 2", "end of 1"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(handler.Take(), Log{"command 3"});
}

// Closing asks the handler first, Destroy does not; either way the handler
// hears nothing of the window afterwards.
TEST_F(MainWindowTest, ClosingAndDestroyingEndTheWindowOnce)
{
    for (const bool byClose : {true, false}) {
        Make();
        ShowActive();
        window->SetTimer(1, 1);
        byClose ? void(Widget()->close()) : window->Destroy();
        EXPECT_EQ(handler.Take(), byClose ? (Log{"close", "destroy"}) : Log{"destroy"});
        EXPECT_FALSE(Widget()->isVisible());
        window->PostCommand(5);
        window->SendCommand(6);
        window->Destroy();
        Widget()->close();
        QTest::qWait(20);
        EXPECT_EQ(handler.Take(), Log{});
    }
    PostQuitMessage(3);
    EXPECT_EQ(RunMessageLoop(), 3);
    QTimer::singleShot(0, [] { PostQuitMessage(5); });
    EXPECT_EQ(RunMessageLoop(), 5);
}

// Showing, resizing and Redraw erase and paint the client area at once, into
// an image of its new size that is still the same object; drawing is on the
// screen before the drawing call returns; the client area fills the window
// below the menu bar.
TEST_F(MainWindowTest, ClientAreaIsPaintedAndPresentedAtOnce)
{
    const Bitmap* image = &window->ClientArea().Image();
    const auto painted = [](QSize size) {
        return Log{"erase " + std::to_string(size.width()) + "x" + std::to_string(size.height()), "paint"};
    };
    window->Show(false);
    const QSize client = Client()->size();
    EXPECT_EQ(handler.Take(), painted(client));
    Widget()->resize(Widget()->size() + QSize(40, 30));
    EXPECT_EQ(handler.Take(), painted(client + QSize(40, 30)));
    EXPECT_EQ(&window->ClientArea().Image(), image);
    EXPECT_EQ(image->Width(), client.width() + 40);
    EXPECT_EQ(window->GetClientRect(), Rect::FromSize(0, 0, client.width() + 40, client.height() + 30));

    handler.background = Rgb(0, 0, 255);
    window->Redraw();
    EXPECT_EQ(handler.Take(), painted(client + QSize(40, 30)));
    EXPECT_EQ(image->GetPixel(0, 0), Rgb(0, 0, 255));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(Widget()));
    EXPECT_EQ(Client()->geometry(), Widget()->rect().adjusted(0, Widget()->menuBar()->height(), 0, 0));
    ClientDC dc(window->ClientArea());
    dc.FillRect(Rect::FromSize(10, 10, 20, 20), Rgb(255, 0, 0));
    EXPECT_EQ(OnScreen({10, 10}), QColor(255, 0, 0));
    EXPECT_EQ(OnScreen({29, 29}), QColor(255, 0, 0));
    EXPECT_EQ(OnScreen({30, 30}), QColor(0, 0, 255));
}

// The window stands on the screen by its frame rectangle, reads it back, and
// gets no smaller than the handler's sizing rule allows.
TEST_F(MainWindowTest, PlacementAndMinimumSizeCountTheFrame)
{
    EXPECT_EQ(window->GetPlacement().normal, kNormal);
    window->Show(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Widget()));
    EXPECT_EQ(ToRect(Widget()->frameGeometry()), kNormal);
    EXPECT_EQ(window->GetPlacement().normal, kNormal);
    window->Show(true);
    EXPECT_TRUE(window->GetPlacement().maximized);
    EXPECT_EQ(window->GetPlacement().normal, kNormal);
    window->Show(false);
    EXPECT_FALSE(window->GetPlacement().maximized);

    Widget()->resize(100, 100);
    EXPECT_EQ(Widget()->frameGeometry().size(), QSize(629, 455));
    handler.minimum = {700, 500};
    Make();
    EXPECT_EQ(Widget()->minimumSize(), QSize(700, 500)); // no frame known yet
}

// A modal box over the window takes the focus; closing it gives it back.
TEST_F(MainWindowTest, ModalBoxTakesTheFocusAway)
{
    ShowActive();
    QTimer::singleShot(50, [] { qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->accept(); });
    window->ShowMessage("Text", "", 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return handler.log.size() >= 2; }));
    EXPECT_EQ(handler.Take(), (Log{"killfocus", "setfocus"}));
}

// The device pixel ratio is fixed when the application starts, so the
// doubled screen runs in a process of its own.
TEST(MainWindowScale, DoubledScreenGivesTheImageTwoDevicePixelsPerLogicalPixel)
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=MainWindowScale.Doubled*")});
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitCode(), 0);
        return;
    }
    test::RecordingWindowHandler handler;
    const auto window = MainWindow::Create({"Tumblewick", kNormal, nullptr, 0, 0}, handler);
    window->Show(false);
    const QWidget* client = ClientAreaWidget(*window);
    ASSERT_EQ(client->devicePixelRatio(), 2);
    const Bitmap& image = window->ClientArea().Image();
    EXPECT_EQ(image.Scale(), 2);
    EXPECT_EQ(window->GetClientRect(), Rect::FromSize(0, 0, image.Width(), image.Height()));
    EXPECT_EQ(image.Width(), client->width());
}

} // namespace
} // namespace tw
