#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <sys/wait.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "model/Deck.h"
#include "model/StackRow.h"
#include "platform/Dialog.h"
#include "platform/MessageLoop.h"
#include "platform/QtDialog.h"
#include "platform/QtMainWindow.h"
#include "settings/OptionsDialog.h"
#include "settings/Registry.h"
#include "shell/DesktopPlatform.h"
#include "shell/GameApp.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

// The whole program on Qt's offscreen screen: the real main window, dialogs,
// message boxes and store, driven by keys and clicks as a player drives it.
namespace tw {
namespace {

using Answer = std::function<void(QWidget&)>;

// Keys go where the player's would: to the widget with the focus.
void Press(QWidget& box, Qt::Key key) { QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, key); }

// Answers the modal windows the program opens, in order, from inside their
// own event loops. One that nobody expected, or that its answer left open,
// is closed by force and fails the test, so a wrong answer cannot hang it.
struct Answers {
    Answers(std::initializer_list<Answer> answers) : pending(answers)
    {
        poll.callOnTimeout([this] {
            QWidget* open = QApplication::activeModalWidget();
            if (!open || !open->isVisible() || (open == answered && ++polls < 150)) {
                return;
            }
            if (open == answered || pending.empty()) {
                ADD_FAILURE() << "window left open or not expected: " << open->windowTitle().toStdString();
                open->close();
                return;
            }
            answered = open;
            polls = 0;
            const Answer next = std::move(pending.front());
            pending.pop_front();
            next(*open);
        });
        poll.start(20);
    }
    ~Answers() { EXPECT_TRUE(pending.empty()) << pending.size() << " expected window(s) never opened"; }

    std::deque<Answer> pending;
    QTimer poll;
    QPointer<QWidget> answered;
    int polls = 0;
};

class ProgramOnScreen : public ::testing::Test {
protected:
    struct Run {
        DesktopPlatform platform;
        GameApp app{platform};
    };

    // A run of the program, finding the store as a new process would, kept
    // quiet and quick.
    void Launch()
    {
        for (const char* name : {"ShowNagDlg", "FirstBoot", "Beep"}) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, 0);
        }
        settings = Settings::Defaults();
        run.emplace();
        ASSERT_TRUE(run->app.InitInstance());
        Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Widget()));
    }

    // Runs the message loop as main does, the player acting in it, until the
    // program ends; its exit code.
    static int RunUntilTheEnd(const std::function<void()>& act)
    {
        QTimer::singleShot(0, act);
        const QObject safety;
        QTimer::singleShot(10000, &safety, [] { ADD_FAILURE() << "the program did not end"; PostQuitMessage(-1); });
        return RunMessageLoop();
    }

    Board& board() { return *run->app.GetBoard(); }
    QMainWindow* Widget() { return MainWindowWidget(*run->app.GetWindow()); }
    QWidget* Client() { return ClientAreaWidget(*run->app.GetWindow()); }
    QMenu* GameMenu() { return Widget()->menuBar()->actions().at(0)->menu(); }
    std::string Title() { return Widget()->windowTitle().toStdString(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Client(), key, modifiers); }

    // Whether a tick of the drop timer (800 ms) moves the falling card.
    bool Falls()
    {
        const int y = board().GetDeck().GetY();
        return QTest::qWaitFor([&] { return board().GetDeck().GetY() != y; }, 1200);
    }

    test::TemporaryStore store;
    test::SettingsScope scope;
    std::optional<Run> run;
};

// What the fakes cannot show: real key events, held keys repeating, and the
// real title and drop timer while a dialog, the menu or F3 holds the play.
TEST_F(ProgramOnScreen, KeysSteerAndDropAndTheAboutBoxTheMenuAndF3PauseThePlay)
{
    Launch();
    QKeyEvent held(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(Client(), &held);
    QApplication::sendEvent(Client(), &held);
    EXPECT_EQ(board().GetColumn(), 3 + 2) << "a held key repeats";
    const CardCode before = board().GetDeck().Sprite().GetCard()->GetCode();
    Key(Qt::Key_Space); // cycles to the next card of a fresh deck
    EXPECT_NE(board().GetDeck().Sprite().GetCard()->GetCode(), before);
    Key(Qt::Key_Down);
    EXPECT_EQ(board().GetStackRow().CardCount(5), 1);
    Key(Qt::Key_F3);
    EXPECT_EQ(Title(), "Tumblewick - Paused");
    EXPECT_FALSE(Falls());
    Key(Qt::Key_F3);
    {
        Answers answers{[&](QWidget& about) {
            EXPECT_EQ(Title(), "Tumblewick - Paused");
            Press(about, Qt::Key_Escape);
        }};
        QTest::sendKeyEvent(QTest::Click, Client(), Qt::Key_Slash, '/', Qt::AltModifier);
    }
    // The menu's keys need the main window active again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Widget()->isActiveWindow() && Title() == "Tumblewick"; }));
    Key(Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == GameMenu(); }));
    EXPECT_EQ(Title(), "Tumblewick - Paused");
    EXPECT_FALSE(Falls());
    // Esc goes back to the menu bar, which still holds the play; a click
    // on the playfield ends the menu session.
    QTest::keyClick(GameMenu(), Qt::Key_Escape);
    EXPECT_FALSE(Falls());
    QTest::mouseClick(Client(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Title() == "Tumblewick"; }));
    EXPECT_TRUE(Falls());
}

// A changed rule restarts the game at once; closing keeps the options and the
// window's place for the next run, Exit does not.
TEST_F(ProgramOnScreen, OptionsAndPlacementOutliveARunThatClosesButNotOneThatExits)
{
    Launch();
    Key(Qt::Key_Down);
    ASSERT_GT(board().GetScore(), 0);
    {
        Answers answers{[](QWidget& options) {
            QTest::mouseClick(DialogItemWidget(dynamic_cast<Dialog&>(options), OptionsDialog::LastStackBox),
                              Qt::LeftButton);
            Press(options, Qt::Key_Return);
        }};
        Key(Qt::Key_G, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == GameMenu(); }));
        QTest::keyClick(GameMenu(), Qt::Key_O);
    }
    EXPECT_EQ(settings.LastStack, 0);
    EXPECT_EQ(board().GetScore(), 0) << "a new game, without a question";
    const QRect placed(60, 50, 700, 500);
    Widget()->setGeometry(placed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Widget()->geometry() == placed; }));
    EXPECT_EQ(RunUntilTheEnd([&] { Widget()->close(); }), 0);

    Launch();
    EXPECT_TRUE(settings.LastStack == 0 && Widget()->geometry() == placed) << "kept from the closed run";
    settings.LastStack = 1;
    Widget()->setGeometry(10, 20, 650, 470);
    EXPECT_EQ(RunUntilTheEnd([&] { Key(Qt::Key_X, Qt::ControlModifier); }), 0);

    Launch();
    EXPECT_TRUE(settings.LastStack == 0 && Widget()->geometry() == placed) << "nothing kept from the exited run";
}

// The built program itself, started where there is nothing to draw on: from
// a text console, or with a display that does not answer.
TEST(NoDisplay, EndsWithOneLineForThePlayer)
{
    for (const std::string environment : {"-u DISPLAY", "DISPLAY=:4095"}) {
        const std::string command =
            "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + environment + " '" TW_PROGRAM "' 2>&1 >/dev/null";
        FILE* program = popen(command.c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::string errors;
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, program);) {
            errors += buffer;
        }
        const int status = pclose(program);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << environment << ": status " << status;
        EXPECT_EQ(errors, "Tumblewick needs a graphical desktop session, and no display was found.\n") << environment;
    }
}

} // namespace
} // namespace tw
