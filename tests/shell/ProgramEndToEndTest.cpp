#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/Deck.h"
#include "model/StackRow.h"
#include "platform/Dialog.h"
#include "platform/MessageLoop.h"
#include "platform/QtDialog.h"
#include "platform/QtMainWindow.h"
#include "settings/OptionsDialog.h"
#include "settings/Registry.h"
#include "shell/Commands.h"
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
void Press(QWidget& window, Qt::Key key) { QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key); }

std::string Said(QWidget& window)
{
    const auto* box = qobject_cast<QMessageBox*>(&window);
    return box ? (box->windowTitle() + ": " + box->text()).toStdString() : "(not a message box)";
}

// Options: the player clicks one check box and confirms with Enter.
Answer Toggle(int item)
{
    return [item](QWidget& window) {
        auto* dialog = dynamic_cast<Dialog*>(&window);
        QWidget* box = dialog ? DialogItemWidget(*dialog, item) : nullptr;
        ASSERT_NE(box, nullptr);
        QTest::mouseClick(box, Qt::LeftButton);
        Press(window, Qt::Key_Return);
    };
}

// Answers the modal windows the program opens, in order, from inside their
// own event loops. One that nobody expected, or that its answer left open,
// is closed by force and fails the test, so a wrong answer cannot hang it.
class Answers {
public:
    Answers(std::initializer_list<Answer> answers) : pending(answers)
    {
        poll.callOnTimeout([this] { Look(); });
        poll.start(20);
    }
    ~Answers() { EXPECT_TRUE(pending.empty()) << pending.size() << " expected window(s) never opened"; }

private:
    void Look()
    {
        QWidget* open = QApplication::activeModalWidget();
        if (!open || !open->isVisible() || (open == answered && ++polls < 150)) {
            return;
        }
        if (open == answered || pending.empty()) {
            ADD_FAILURE() << "window left open or not expected: " << open->windowTitle().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(open)) {
                dialog->reject();
            }
            return;
        }
        answered = open;
        polls = 0;
        const Answer next = std::move(pending.front());
        pending.pop_front();
        next(*open);
    }

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

    void SetUp() override { Store({{"ShowNagDlg", 0}, {"FirstBoot", 0}, {"Beep", 0}}); } // quiet and quick

    static void Store(const std::vector<std::pair<std::string_view, std::int32_t>>& values)
    {
        for (const auto& [name, value] : values) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, value);
        }
    }

    // A run of the program, finding the store as a new process would.
    void Launch()
    {
        run.reset();
        settings = Settings::Defaults();
        run = std::make_unique<Run>();
        ASSERT_TRUE(run->app.InitInstance());
        Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Widget()));
        ASSERT_EQ(Title(), "Tumblewick");
    }

    // Runs the message loop as main does, the player acting in it, until the
    // program ends; its exit code.
    static int RunUntilTheEnd(const std::function<void()>& act)
    {
        QTimer::singleShot(0, act);
        const QObject safety;
        QTimer::singleShot(10000, &safety, [] {
            ADD_FAILURE() << "the program did not end";
            PostQuitMessage(-1);
        });
        return RunMessageLoop();
    }

    GameApp& app() { return run->app; }
    Board& board() { return *app().GetBoard(); }
    QMainWindow* Widget() { return MainWindowWidget(*app().GetWindow()); }
    QWidget* Client() { return ClientAreaWidget(*app().GetWindow()); }
    QMenu* GameMenu() { return Widget()->menuBar()->actions().at(0)->menu(); }
    std::string Title() { return Widget()->windowTitle().toStdString(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Client(), key, modifiers); }

    // Whether a tick of the drop timer (800 ms) moves the falling card.
    bool Falls()
    {
        const int y = board().GetDeck().GetY();
        return QTest::qWaitFor([&] { return board().GetDeck().GetY() != y; }, 1200);
    }

    void OpenGameMenu()
    {
        Key(Qt::Key_G, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return GameMenu()->isVisible(); }));
    }

    void PlayUntilOver()
    {
        for (int presses = 0; presses < 200 && !app().IsGameOver(); ++presses) {
            Key(Qt::Key_Down);
        }
        ASSERT_TRUE(app().IsGameOver());
    }

    static void StoreHighScores(const char* score)
    {
        for (const std::string row : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) {
            WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Name" + row, "Tovin");
            WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Score" + row, score);
        }
    }

    test::TemporaryStore store;
    test::SettingsScope scope;
    std::unique_ptr<Run> run;
};

// What the fakes cannot show: real key events, held keys repeating, and the
// real title and drop timer.
TEST_F(ProgramOnScreen, KeysSteerAndDropTheCardAndF3PausesTheDrop)
{
    Launch();
    const int start = board().GetColumn();
    Key(Qt::Key_Left);
    EXPECT_EQ(board().GetColumn(), start - 1);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(Client(), &held);
    }
    EXPECT_EQ(board().GetColumn(), start + 1) << "a held key repeats";
    Key(Qt::Key_Down);
    EXPECT_EQ(board().GetStackRow().CardCount(start + 1), 1);

    Key(Qt::Key_F3);
    EXPECT_EQ(Title(), "Tumblewick - Paused");
    EXPECT_FALSE(Falls());
    Key(Qt::Key_F3);
    EXPECT_EQ(Title(), "Tumblewick");
    EXPECT_TRUE(Falls());
}

TEST_F(ProgramOnScreen, TheAboutBoxAndTheMenuPauseThePlayWhileTheyAreOpen)
{
    Launch();
    {
        Answers answers{[&](QWidget& about) {
            EXPECT_EQ(Title(), "Tumblewick - Paused");
            EXPECT_FALSE(Falls());
            Press(about, Qt::Key_Escape);
        }};
        QTest::sendKeyEvent(QTest::Click, Client(), Qt::Key_Slash, '/', Qt::AltModifier);
    }
    EXPECT_EQ(Title(), "Tumblewick");
    EXPECT_TRUE(Falls());

    OpenGameMenu();
    EXPECT_EQ(Title(), "Tumblewick - Paused");
    EXPECT_FALSE(Falls());
    QTest::keyClick(GameMenu(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Title() == "Tumblewick"; }));
    EXPECT_TRUE(Falls());
}

// The first game scores too little for the stored list and is played again;
// the second beats the list and its player's name is stored.
TEST_F(ProgramOnScreen, AGameWithoutRoomEndsInPlayAgainOrInTheHighScoreList)
{
    Store({{"LastStack", 0}});
    Launch();
    StoreHighScores("999999");
    {
        Answers answers{[&](QWidget& box) {
            EXPECT_EQ(Title(), "Tumblewick - Game Over");
            EXPECT_EQ(Said(box), "Game Over: Do you want to play again?");
            Press(box, Qt::Key_Return); // Yes
        }};
        PlayUntilOver();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app().IsGameOver(); }));
    EXPECT_EQ(board().GetScore(), 0);
    EXPECT_EQ(Title(), "Tumblewick");
    EXPECT_TRUE(Falls());

    StoreHighScores("0");
    {
        Answers answers{
            [](QWidget& box) {
                EXPECT_EQ(Said(box), "Game Over: Congratulations!  You got a high score!");
                Press(box, Qt::Key_Return);
            },
            [](QWidget& list) {
                QTest::keyClicks(list.focusWidget(), "Ada");
                Press(list, Qt::Key_Return);
            },
        };
        PlayUntilOver();
    }
    EXPECT_EQ(Title(), "Tumblewick - Game Over");
    const auto stored = [](const char* name) {
        std::string text;
        ReadRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, name, text, 256);
        return text;
    };
    EXPECT_EQ(stored("Name0") + " " + stored("Score0"), "Ada " + std::to_string(board().GetScore()));
    EXPECT_EQ(stored("Name1"), "Tovin");
}

// A changed rule restarts the game at once, sound alone does not; closing
// keeps the options and the window's place for the next run, Exit does not.
TEST_F(ProgramOnScreen, OptionsAndPlacementOutliveARunThatClosesButNotOneThatExits)
{
    Launch();
    Key(Qt::Key_Down);
    ASSERT_GT(board().GetScore(), 0);
    {
        Answers answers{Toggle(OptionsDialog::LastStackBox)};
        OpenGameMenu();
        QTest::keyClick(GameMenu(), Qt::Key_O);
    }
    EXPECT_EQ(settings.LastStack, 0);
    EXPECT_EQ(board().GetScore(), 0) << "a new game, without a question";
    EXPECT_EQ(Title(), "Tumblewick");
    const QRect placed(60, 50, 700, 500);
    Widget()->setGeometry(placed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Widget()->geometry() == placed; }));
    EXPECT_EQ(RunUntilTheEnd([&] { Widget()->close(); }), 0);

    Launch();
    EXPECT_EQ(settings.LastStack, 0);
    EXPECT_TRUE(Widget()->geometry() == placed);
    Key(Qt::Key_Down);
    const std::int32_t score = board().GetScore();
    {
        Answers answers{Toggle(OptionsDialog::BeepBox)};
        app().GetWindow()->SendCommand(CommandOptions);
    }
    EXPECT_EQ(settings.Beep, 1);
    EXPECT_EQ(board().GetScore(), score) << "the same game goes on";
    EXPECT_TRUE(Falls());
    Widget()->setGeometry(10, 20, 650, 470);
    EXPECT_EQ(RunUntilTheEnd([&] { Key(Qt::Key_X, Qt::ControlModifier); }), 0);

    Launch();
    EXPECT_EQ(std::pair(settings.LastStack, settings.Beep), std::pair(0, 0));
    EXPECT_TRUE(Widget()->geometry() == placed);
}

} // namespace
} // namespace tw
