#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <map>
#include <string>
#include <tuple>

#include "platform/MessageLoop.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtMainWindowHost.h"
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

    test::RecordingWindowHandler handler;
    std::unique_ptr<MainWindow> window;
};

// Qt's keys, auto-repeated or not, reach the handler as virtual key codes;
// keypad digits are NumLock on, keypad arrows NumLock off. The accelerator
// table's keys give commands instead, About's by the character on any layout,
// and Alt with a key leaves the menu bar closed. "": nothing reaches the
// handler. The menu's texts show the accelerators, but its items have no
// shortcuts of their own to steal the keys.
TEST_F(MainWindowTest, KeysGiveKeyCodesAndAcceleratorsAndMenuItemsGiveCommands)
{
    using enum Qt::Key;
    struct Case { int key; Qt::KeyboardModifiers modifiers; const char* text; std::string heard; bool repeat = false; };
    const Case cases[] = {
        {Key_Left, kNone, "", "key 37", true}, {Key_Down, kNone, "", "key 40"}, {Key_Space, kNone, " ", "key 32", true},
        {Key_7, kNone, "7", "key 55"}, {Key_2, kPad, "2", "key 98"}, {Key_4, kPad, "4", "key 100", true},
        {Key_6, kPad, "6", "key 102"}, {Key_Left, kPad, "", "key 37"}, {Key_Down, kPad, "", "key 40", true},
        {Key_Exclam, kShift, "!", ""}, {Key_Left, kAlt, "", ""}, {Key_N, kCtrl, "\x0e", "command 32773"},
        {Key_F2, kNone, "", "command 32773"}, {Key_F3, kNone, "", "command 32772", true},
        {Key_X, kCtrl, "\x18", "command 105"}, {Key_Slash, kAlt, "/", "command 104"},
        {Key_Question, kAlt | kShift, "?", "command 104"}, {Key_Slash, kAlt | kPad, "/", "command 104"},
        {Key_Slash, kAlt | kCtrl, "/", ""}, {Key_7, kAlt | kShift, "/", "command 104"}, // "/" on Shift+7
        {Key_N, kShift, "N", "key 78"}, {Key_F2, kShift, "", "key 113"}, {Key_X, kCtrl | kShift, "\x18", "key 88"},
    };
    ShowActive();
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.key) + " " + each.text + (each.repeat ? " repeated" : ""));
        const bool alt = each.modifiers & kAlt;
        if (alt) {
            QTest::keyPress(Client(), Qt::Key_Alt, kAlt);
        }
        QKeyEvent press(QEvent::KeyPress, each.key, each.modifiers, QString::fromLatin1(each.text), each.repeat);
        QApplication::sendEvent(Client(), &press);
        if (alt) {
            QTest::keyRelease(Client(), Qt::Key_Alt, kNone);
        }
        EXPECT_EQ(handler.Take(), each.heard.empty() ? Log{} : Log{each.heard});
        EXPECT_EQ(Widget()->menuBar()->activeAction(), nullptr);
        EXPECT_TRUE(Client()->hasFocus());
    }

    Log seen;
    for (const QAction* title : Widget()->menuBar()->actions()) {
        seen.push_back(title->text().toStdString());
        for (QAction* item : title->menu()->actions()) {
            EXPECT_TRUE(item->shortcut().isEmpty());
            seen.push_back(item->isSeparator() ? "-" : item->text().toStdString());
            item->trigger(); // a separator has no command
            std::ranges::copy(handler.Take(), std::back_inserter(seen));
        }
    }
    EXPECT_EQ(seen, (Log{"&Game", "&New\tCtrl+N", "command 32773", "-", "High Score List...", "command 32776",
                         "&Options...", "command 32774", "-", "E&xit\tCtrl+X", "command 105", "&Help",
                         "&Help on Tumblewick...", "command 32778", "-", "&Introduction...", "command 32777",
                         "&About ...", "command 104", "-", "&Tumblewick on the Web...", "command 32781"}));
}

// The menu session and the focus as the handler hears them match what the
// player has in front of him after every step, whatever the order: a menu
// closes before the focus leaves, an inactive window holds no menu, and the
// bar that holds the keys (after Alt alone, or Esc out of a popup) shows its
// item highlighted and keeps them from the game. A session lasts however
// many popups it shows, and a chosen item's command comes after it has
// closed. The popups are opened with the mouse: the offscreen platform moves
// the activation to a popup opened from the keyboard.
TEST_F(MainWindowTest, MenuSessionAndFocusAgreeWithTheScreenInEveryOrder)
{
    const struct { std::vector<std::string> steps; Log heard; } cases[] = {
        {{"away", "back"}, {"killfocus", "setfocus"}},
        {{"alt", "away", "back", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"alt", "z", "f3", "esc", "down"}, {"initmenu", "menuclosed", "key 40"}},
        {{"alt", "click", "down"}, {"initmenu", "menuclosed", "key 40"}},
        {{"alt", "dialog", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "esc", "away", "back", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "esc", "esc", "down"}, {"initmenu", "menuclosed", "key 40"}},
        {{"popup", "esc", "down", "esc", "esc"}, {"initmenu", "menuclosed"}}, // the bar's Down opens the popup
        {{"popup", "dialog", "down"}, {"initmenu", "menuclosed", "killfocus", "setfocus", "key 40"}},
        {{"popup", "right", "about"}, {"initmenu", "menuclosed", "command 104"}},
    };
    const std::map<std::string, Qt::Key> keys{{"alt", Qt::Key_Alt}, {"esc", Qt::Key_Escape}, {"down", Qt::Key_Down},
                                              {"right", Qt::Key_Right}, {"z", Qt::Key_Z}, {"f3", Qt::Key_F3}};
    QWidget other;
    other.show();
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
            } else if (step == "about") {
                ASSERT_TRUE(QTest::qWaitFor([&] { return Popup(1)->isVisible(); }));
                const QRect about = Popup(1)->actionGeometry(Popup(1)->actions()[3]);
                QTest::mouseClick(Popup(1), Qt::LeftButton, {}, about.center());
            } else if (step == "click") {
                QTest::mouseClick(Client(), Qt::LeftButton);
            } else if (step == "away" || step == "back") {
                activate(step == "away" ? other : *Widget());
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
            EXPECT_EQ(shown == bar->palette().color(QPalette::Highlight), barHoldsKeys || Popup(0)->isVisible());
        }
        EXPECT_EQ(all, heard);
    }
}

// Sent commands arrive at once, posted ones after the event that posts them.
// Closing asks the handler first, Destroy does not; either way the handler
// hears nothing of the window afterwards. The desktop session's end (or its
// checkpoint) is only told: the window stays. The drop timer's ticking and
// stopping are ProgramOnScreen's, with F3.
TEST_F(MainWindowTest, CommandsComeInOrderAndClosingAndDestroyingEndTheWindowOnce)
{
    handler.onCommand = [&](int id) {
        if (id == 1) {
            window->PostCommand(3);
            window->SendCommand(2);
        }
    };
    window->SendCommand(1);
    EXPECT_EQ(handler.Take(), (Log{"command 1", "command 2"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(handler.Take(), Log{"command 3"});

    for (const bool byClose : {true, false}) {
        Make();
        ShowActive();
        static_cast<QtMainWindow*>(Widget())->EndSession();
        EXPECT_TRUE(Widget()->isVisible()) << "the session's end leaves the window";
        window->SetTimer(1, 1);
        byClose ? void(Widget()->close()) : window->Destroy();
        EXPECT_EQ(handler.Take(), (byClose ? Log{"endsession", "close", "destroy"} : Log{"endsession", "destroy"}));
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
}

// Showing, resizing and Redraw erase and paint the client area at once, into
// an image of its new size that is still the same object; drawing is on the
// screen before the drawing call returns. Zoomed, the game still draws in
// logical pixels: the client rectangle is the playfield's height and the
// widget's width at the zoom, every logical pixel is shown zoom times larger,
// and the bands above and below take the erased background's colour.
TEST_F(MainWindowTest, ClientAreaIsPaintedAndPresentedAtOnceAndZoomedOnceThePlayfieldFitsTwice)
{
    const Bitmap* image = &window->ClientArea().Image();
    const auto painted = [](QSize size) {
        return Log{"erase " + std::to_string(size.width()) + "x" + std::to_string(size.height()), "paint"};
    };
    window->Show(false);
    EXPECT_EQ(handler.Take(), painted(Client()->size()));
    const QSize larger = Client()->size() + QSize(40, 30);
    Widget()->resize(Widget()->size() + QSize(40, 30));
    EXPECT_EQ(handler.Take(), painted(larger));
    EXPECT_EQ(&window->ClientArea().Image(), image);
    handler.background = Rgb(0, 0, 255);
    window->Redraw();
    EXPECT_EQ(handler.Take(), painted(larger));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(Widget()));
    window->SetMinimumClientSize({300, 200});
    Widget()->resize(660, 700);
    const ClientGeometry zoomed = ClientGeometryFor(Client()->size(), {300, 200});
    ASSERT_TRUE(zoomed.zoom > 2 && zoomed.origin.y() > 20) << "zoomed, between bands";
    EXPECT_EQ(window->GetClientRect(), Rect::FromSize(0, 0, zoomed.logical.width(), 200));
    EXPECT_EQ(image->Scale(), 3);
    ClientDC(window->ClientArea()).FillRect(Rect::FromSize(10, 10, 5, 5), Rgb(255, 0, 0));
    // Which logical pixels are red and which blue on the screen, which on the
    // offscreen platform is the window's backing store.
    const QImage shot = Widget()->screen()->grabWindow(Widget()->winId()).toImage();
    const qreal band = zoomed.origin.y() / 2.0 / zoomed.zoom; // halfway into a band, in logical pixels
    const std::tuple<qreal, qreal, bool> pixels[] = {
        {10.5, 10.5, true}, {14.5, 14.5, true}, {16, 16, false}, {10.5, -band, false}, {10.5, 200 + band, false}};
    for (const auto& [x, y, red] : pixels) {
        const QPoint at = (QPointF(zoomed.origin) + QPointF(x, y) * zoomed.zoom).toPoint();
        EXPECT_EQ(shot.pixelColor(Client()->mapTo(Widget(), at)), red ? Qt::red : Qt::blue) << x << "," << y;
    }
}

// The window stands on the screen by its frame rectangle, reads it back, and
// gets no smaller than the handler's sizing rule allows; what a dialog
// centres on is the frame too.
TEST_F(MainWindowTest, PlacementAndMinimumSizeCountTheFrame)
{
    const auto placement = [&] { return std::pair(window->GetPlacement().normal, window->GetPlacement().maximized); };
    EXPECT_EQ(placement(), std::pair(kNormal, false));
    window->Show(false);
    EXPECT_EQ(ToRect(Widget()->frameGeometry()), kNormal);
    window->Show(true);
    EXPECT_EQ(placement(), std::pair(kNormal, true));
    Widget()->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    EXPECT_EQ(placement(), std::pair(kNormal, false)) << "minimised comes back in its normal place";
    window->Show(false);
    EXPECT_EQ(placement(), std::pair(kNormal, false));

    Widget()->resize(100, 100);
    EXPECT_EQ(Widget()->frameGeometry().size(), QSize(629, 455));
    // The program's own least client area counts below the menu bar, and a
    // smaller window grows to it at once.
    window->SetMinimumClientSize({680, 480});
    EXPECT_EQ(Client()->size(), QSize(680, 480));
    handler.minimum = {700, 500};
    Make();
    EXPECT_EQ(Widget()->minimumSize(), QSize(700, 500)); // no frame known yet
    // Maximising is asynchronous on X11, so a window just told to maximise
    // still has its normal geometry; a dialog centred on it uses the screen's.
    EXPECT_EQ(SeenFrameGeometry(*Widget()), Widget()->frameGeometry());
    Widget()->setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(SeenFrameGeometry(*Widget()), Widget()->screen()->availableGeometry());
}

// The playfield is shown as large as the widget holds it and centred; the
// default window, a smaller one, and one with nothing asked for show the
// client area as it is.
TEST(Zoom, ShowsThePlayfieldAsLargeAsTheWidgetHoldsItAndCentred)
{
    const QSize least(629, 428);
    const struct { QSize widget, least; ClientGeometry geometry; } cases[] = {
        {{638, 428}, least, {1, {638, 428}, {0, 0}}},      {{600, 400}, least, {1, {600, 400}, {0, 0}}},
        {{1600, 1160}, {0, 0}, {1, {1600, 1160}, {0, 0}}}, {{1258, 1000}, least, {2, {629, 428}, {0, 72}}},
        {{1284, 856}, least, {2, {642, 428}, {0, 0}}},
    };
    for (const auto& [widget, least, geometry] : cases) {
        EXPECT_EQ(ClientGeometryFor(widget, least), geometry) << widget.width() << "x" << widget.height();
    }
    // Every size up to a large screen: the playfield fits, fills the width or
    // the height (so one pixel more never jumps its size), and stands centred.
    for (const int height : {428, 500, 730, 894, 1000, 1400}) {
        for (int width = 629; width <= 2560; ++width) {
            const auto [zoom, logical, origin] = ClientGeometryFor({width, height}, least);
            const QSizeF shown = QSizeF(least) * zoom;
            SCOPED_TRACE(testing::Message() << width << "x" << height);
            ASSERT_TRUE(shown.width() <= width + 1e-6 && shown.height() <= height + 1e-6);
            ASSERT_TRUE(shown.width() > width - 1 || shown.height() > height - 1);
            ASSERT_NEAR(origin.x() + logical.width() * zoom / 2, width / 2.0, 1);
            ASSERT_NEAR(origin.y() + logical.height() * zoom / 2, height / 2.0, 1);
            ASSERT_LE(origin.x(), 0) << "the image covers the widget's width";
        }
    }
    // The image's pixels per logical pixel: whole, and no more than the
    // zoomed screen needs rounded up, nor than the largest scale.
    const struct { qreal ratio, zoom; int scale; } scales[] = {
        {1, 1, 1}, {2, 2, 4}, {2.0000001, 1, 2}, {1.25, 1, 2}, {1.5, 2, 3}, {1, 1.7, 2}, {1.25, 1.96, 3},
        {2, 6.5, Bitmap::kMaxScale}, // spread over several screens, the image is enlarged
    };
    for (const auto& [ratio, zoom, scale] : scales) {
        EXPECT_EQ(ImageScaleFor(ratio, zoom), scale) << ratio << " at zoom " << zoom;
    }
}

// The device pixel ratio is fixed when the application starts, so the
// doubled screen runs in a process of its own.
TEST_F(MainWindowTest, DoubledScreenGivesTheImageTwoDevicePixelsPerLogicalPixel)
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
} // namespace tw
