#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "model/Deck.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "platform/DeviceContext.h"
#include "platform/Dialog.h"
#include "platform/MessageLoop.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/VirtualKeys.h"
#include "settings/OptionsDialog.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/DesktopPlatform.h"
#include "shell/GameApp.h"
#include "support/FakeGamePlatform.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

using Strings = std::vector<std::string>;

class Program : public ::testing::Test {
protected:
    // Starts the program on a store that already holds these values.
    void Start(const std::vector<std::pair<std::string_view, std::int32_t>>& stored = {{"ShowNagDlg", 0}})
    {
        for (const auto& [name, value] : stored) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, value);
        }
        ASSERT_TRUE(app.InitInstance());
    }
    // The last message box as "caption: text".
    std::string Said() { return window().messages.back().caption + ": " + window().messages.back().text; }

    test::FakeMainWindow& window() { return *platform.window; }
    // The pixels of the status line, where the score is, as shown or as
    // painted now.
    std::vector<std::uint32_t> StatusLine(bool repainted = false)
    {
        if (repainted) {
            ClientDC dc(window().ClientArea());
            board().PaintStatus(dc, false);
        }
        const Bitmap& image = window().surface.image;
        return {image.Data().begin(), image.Data().begin() + 20 * image.Width()};
    }
    Board& board() { return *app.GetBoard(); }

    test::TemporaryStore store;
    test::SettingsScope scope;
    test::FakeGamePlatform platform;
    GameApp app{platform};
};

// Started upside down, where the up key drops and the down key swaps. Every
// dialog holds the play.
TEST_F(Program, StartsARunningGameWithTheWelcomeDialogAndMusicAndPausesWithoutTheFocus)
{
    Start({{"ShowNagDlg", 1}, {"UpDown", -1}});
    EXPECT_TRUE(window().shown && platform.soundEffectsReady);
    EXPECT_TRUE(window().placement.maximized) << "the very first start is maximised";
    app.OnCommand(CommandAbout);
    EXPECT_EQ(platform.dialogs, (Strings{"welcome (Tumblewick - Paused)", "about (Tumblewick - Paused)"}));
    EXPECT_EQ(std::tuple(window().timers[kDropTimer], platform.sequencer.opened, board().GetColumn()),
              std::tuple(800, Strings{"song1.mid"}, 3)) << "the drop timer, the first song, the first card placed";
    // Without the focus nothing drops, and keys play only while the game runs.
    app.OnKillFocus();
    const bool timerRuns = window().TimerRuns(kDropTimer); // before the key, which must change nothing
    EXPECT_EQ(std::pair(timerRuns, app.OnKeyDown(vk::Up)), std::pair(false, false)) << "paused";
    app.OnSetFocus();
    EXPECT_TRUE(window().TimerRuns(kDropTimer));
    app.OnKeyDown(vk::Numpad4);
    EXPECT_EQ(board().GetColumn(), 2);
    app.OnKeyDown(vk::Numpad6);
    EXPECT_EQ(board().GetColumn(), 3);
    const CardCode first = board().GetDeck().Sprite().GetCard()->GetCode();
    app.OnKeyDown(vk::Space);
    EXPECT_NE(board().GetDeck().Sprite().GetCard()->GetCode(), first) << "space swaps";

    app.OnKeyDown(vk::Up);
    const std::pair dropped(board().GetStackRow().CardCount(3), board().GetDeck().Sprite().GetY());
    EXPECT_EQ(dropped.first, 1) << "up drops";
    app.OnKeyDown(vk::Down);
    EXPECT_EQ(std::pair(board().GetStackRow().CardCount(3), board().GetDeck().Sprite().GetY()), dropped) << "no drop";
}

// Partly off the screen moves on, wholly off starts at the default, too large
// shrinks to the default size.
TEST_F(Program, BringsAStoredPlacementBackOnScreen)
{
    for (const auto& [left, top, size, expected] : {std::tuple{-5, 10, 700, Rect::FromSize(0, 10, 700, 700)},
                                                    {1900, 1060, 100, Rect::FromSize(0, 0, 638, 458)},
                                                    {20, -1, 5000, Rect::FromSize(20, 0, 640, 460)}}) {
        test::TemporaryStore own;
        test::FakeGamePlatform fresh;
        GameApp program(fresh);
        for (const auto& [name, value] : {std::pair{"Left", left}, {"Top", top}, {"Width", size}, {"Height", size}}) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, value);
        }
        ASSERT_TRUE(program.InitInstance());
        EXPECT_EQ(fresh.window->placement.normal, expected) << left << "," << top;
    }
}

// No keeps the game; Yes abandons it, and its high score is entered without
// further questions. A game ended by endless matches earns its bonus first.
// The card that ends a game may score as it lands; the player sees that final
// score behind every message about the end, bonus included.
TEST_F(Program, EveryWayAGameEndsShowsTheFinalScoreAndEntersAHighScoreOrOffersAnother)
{
    Start();
    std::vector<std::uint32_t> behind;
    window().onMessage = [&] { behind = StatusLine(); };
    board().AddScore(5000);
    window().answer = ResultNo;
    app.OnCommand(CommandNew);
    EXPECT_EQ(std::tuple(Said(), board().GetScore(), app.IsPaused()),
              std::tuple("New Game: Are you sure you want to quit the current game?", 5000, false)) << "it goes on";

    window().answer = ResultYes;
    app.OnCommand(CommandNew);
    EXPECT_EQ(Said(), "Game Over: Congratulations!  You got a high score!");
    EXPECT_EQ(board().GetScore(), 0) << "a new game began";

    app.GameOver(2);
    EXPECT_TRUE(window().messages.at(3).text.starts_with("Getting tired of this yet?"));
    EXPECT_EQ(Said(), "Game Over: Congratulations!  You got a high score!");
    EXPECT_EQ(behind, StatusLine(true)) << "an endless match, with its bonus";
    EXPECT_EQ(platform.dialogs, (Strings{"new high score 5000 (Tumblewick - Game Over)",
                                         "new high score 10000 (Tumblewick - Game Over)"}));

    app.OnCommand(CommandNew);
    settings.LastStack = 0;
    while (app.OnKeyDown(vk::Down) && !app.IsGameOver()) {}
    EXPECT_EQ(Said(), "Game Over: Do you want to play again?");
    EXPECT_EQ(behind, StatusLine(true)) << "no room";
    EXPECT_TRUE(platform.sequencer.open.empty()) << "the music stopped";
    app.OnCommand(CommandPause);
    app.OnSetFocus();
    EXPECT_EQ(std::tuple(window().title, window().TimerRuns(kDropTimer)), std::tuple("Tumblewick - Game Over", false))
        << "no pausing after the end";

    window().DeliverPosted(); // the posted New: no question, a game over has none
    EXPECT_EQ(std::tuple(app.IsGameOver(), Said(), platform.sequencer.opened.back()),
              std::tuple(false, "Game Over: Do you want to play again?", "song2.mid"));
}

// The window never gets so small that the playfield is cut off: in either
// orientation the row, a card where it is dealt, a full stack and the points
// under it lie inside the smallest client area.
TEST_F(Program, TheSmallestClientAreaHoldsTheWholePlayfield)
{
    Start();
    const Rect least = Rect::FromSize(0, 0, window().minimumClient.cx, window().minimumClient.cy);
    const int text = ClientDC(window().ClientArea()).GetTextExtent("20 pts").value_or(Size{0, 99}).cy;
    const int fullStack = StackRow::kDealDistance / Stack::CardStep - 1; // steps from the base to the top card
    for (const int upDown : {1, -1}) {
        settings.UpDown = upDown;
        StackRow row(71, 96);
        row.CreateStacks();
        const RowLayout layout = row.Layout(least);
        const int lowest = upDown == 1 ? layout.rowRect.bottom + 4 + text
                                       : std::max(layout.dealY + 96, layout.rowRect.bottom + fullStack * 24 + 4 + text);
        EXPECT_GE(layout.rowRect.left, 0) << upDown;
        EXPECT_LE(layout.rowRect.right, least.right) << upDown;
        EXPECT_LE(lowest, least.bottom) << upDown;
    }
}

// That a changed rule starts a new game without a question the on-screen
// test shows.
TEST_F(Program, OptionsKeepTheGameUnlessTheRulesChangedAndDocumentsThatCannotOpenAreReported)
{
    Start();
    board().AddScore(99999);
    platform.onOptions = [] { settings.Music = 0; };
    app.OnCommand(CommandOptions);
    EXPECT_EQ(std::tuple(board().GetScore(), platform.sequencer.open.size()), std::tuple(99999, 0u))
        << "the same game goes on; music turned off stops the song";
    platform.optionsResult = 1;
    platform.onOptions = [] { settings.Music = 1; };
    app.OnCommand(CommandOptions);
    EXPECT_EQ(platform.sequencer.open.size(), 1u) << "one song at a time";

    platform.documentError = "No such file or directory";
    app.OnCommand(CommandHelp);
    app.OnCommand(CommandWeb);
    EXPECT_EQ(platform.documents, (Strings{"TumblewickHelp.htm", GameApp::kWebPage}));
    EXPECT_EQ(platform.errors, Strings(2, "No such file or directory"));
    EXPECT_FALSE(app.OnCommand(12345));
}

// What close and Exit keep the on-screen test shows. The end of the desktop
// session saves too, a maximised window's normal place, and the game goes
// on: the logout may yet be cancelled.
TEST_F(Program, TheSessionsEndSavesThePlacementAndTheGameGoesOn)
{
    Start();
    window().placement = {Rect::FromSize(40, 30, 800, 600), true};
    app.OnEndSession();
    WindowPlacement saved{};
    LoadSettings(saved);
    EXPECT_EQ(std::tuple(saved.left, saved.width, saved.minMax), std::tuple(40, 800, 2));
    EXPECT_EQ(std::pair(window().destroyed, window().TimerRuns(kDropTimer)), std::pair(false, true)) << "it goes on";
}

// The whole program on Qt's offscreen screen: the real main window, dialogs,
// message boxes and store, driven by keys and clicks as a player drives it.
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
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Client(), key, modifiers); }
    QMenu* OpenGameMenu()
    {
        QMenu* menu = Widget()->menuBar()->actions().at(0)->menu();
        Key(Qt::Key_G, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == menu; }));
        return menu;
    }
    // What a next run would find kept of this one.
    std::pair<int, QRect> Kept() { return {settings.LastStack, Widget()->geometry()}; }

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

// What the fakes cannot show: the real title and drop timer while the menu or
// F3 holds the play. Paused with F3 before the menu opens, closing the menu
// resumes all the same.
TEST_F(ProgramOnScreen, TheMenuAndF3PauseThePlay)
{
    Launch();
    Key(Qt::Key_F3);
    const std::string title = Widget()->windowTitle().toStdString(); // before Falls() runs the event loop
    EXPECT_EQ(std::pair(title, Falls()), std::pair(std::string("Tumblewick - Paused"), false));
    QMenu* menu = OpenGameMenu();
    EXPECT_FALSE(Falls());
    // Esc goes back to the menu bar, which still holds the play; a click
    // on the playfield ends the menu session.
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(Falls());
    QTest::mouseClick(Client(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Widget()->windowTitle() == "Tumblewick"; }));
    EXPECT_TRUE(Falls());
}

// A changed rule restarts the game at once. Closing, and a terminating signal
// from play or from inside a dialog, which goes first, keep the options and the
// window's place for the next run; Exit does not.
TEST_F(ProgramOnScreen, AChangedRuleRestartsAndTheOptionsAndPlacementOutliveEveryEndButExit)
{
    Launch();
    Key(Qt::Key_Down);
    ASSERT_GT(board().GetScore(), 0) << "a real key dropped the card";
    // The options are answered from inside their own event loop. A window the
    // answer left open, or that nobody expected, is closed by force and fails
    // the test, so a wrong answer cannot hang it.
    int polls = 0; // since the answer, 0 until it is given
    QTimer poll;
    poll.callOnTimeout([&] {
        QWidget* open = QApplication::activeModalWidget();
        if (open && open->isVisible() && polls == 0) {
            polls = 1;
            QTest::mouseClick(DialogItemWidget(dynamic_cast<Dialog&>(*open), OptionsDialog::LastStackBox),
                              Qt::LeftButton);
            QTest::keyClick(open->focusWidget() ? open->focusWidget() : open, Qt::Key_Return);
        } else if (open && polls > 0 && ++polls > 150) {
            ADD_FAILURE() << "window left open or not expected: " << open->windowTitle().toStdString();
            open->close();
        }
    });
    poll.start(20);
    QTest::keyClick(OpenGameMenu(), Qt::Key_O);
    poll.stop();
    EXPECT_GT(polls, 0) << "the options never opened";
    EXPECT_EQ(settings.LastStack, 0);
    EXPECT_EQ(board().GetScore(), 0) << "a new game, without a question";

    const auto byExit = [this] { Key(Qt::Key_X, Qt::ControlModifier); };
    const auto bySignal = [](int signal) { return [signal] { std::raise(signal); }; };
    const auto bySignalInAbout = [this](int signal) {
        return [this, signal] {
            QTimer::singleShot(50, [signal] {
                EXPECT_NE(QApplication::activeModalWidget(), nullptr) << "About is open";
                std::raise(signal);
            });
            QTest::sendKeyEvent(QTest::Click, Client(), Qt::Key_Slash, '/', Qt::AltModifier);
        };
    };
    const std::tuple<const char*, std::function<void()>, bool> ends[] = {
        {"close", [this] { Widget()->close(); }, true}, {"Exit", byExit, false},
        {"SIGTERM", bySignal(SIGTERM), true}, {"SIGHUP", bySignal(SIGHUP), true},
        {"SIGTERM in About", bySignalInAbout(SIGTERM), true}, {"SIGHUP in About", bySignalInAbout(SIGHUP), true},
    };
    std::pair kept = Kept();
    for (const auto& [way, end, keeps] : ends) {
        SCOPED_TRACE(way);
        settings.LastStack = 1 - kept.first;
        const QRect placed(kept.second.x() + 1, 30, 700, 500); // not where the last run was kept
        Widget()->setGeometry(placed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Widget()->geometry() == placed; }));
        const std::pair ran = Kept();
        EXPECT_EQ(RunUntilTheEnd(end), 0);
        Launch();
        EXPECT_TRUE(Kept() == (keeps ? ran : kept));
        kept = Kept();
    }
    EXPECT_EQ(RunUntilTheEnd(byExit), 0);
}

// The built program itself, started where there is nothing to draw on: from
// a text console, or with a display that does not answer; or with a window
// system that cannot be had, where Qt's own reason is the one to read.
TEST(NoWindowSystem, EndsWithTheReasonForThePlayer)
{
    const std::string noDisplay = "Tumblewick needs a graphical desktop session, and no display was found.\n";
    const std::string noPlugin = "Could not find the Qt platform plugin \"bogus\" in \"\"\n"
                                 "This application failed to start because no Qt platform plugin could be "
                                 "initialized. Reinstalling the application may fix this problem.\n";
    const std::pair<QStringList, std::string> cases[] = {{{"-u", "QT_QPA_PLATFORM", "-u", "DISPLAY"}, noDisplay},
                                                          {{"-u", "QT_QPA_PLATFORM", "DISPLAY=:4095"}, noDisplay},
                                                          {{"QT_QPA_PLATFORM=bogus"}, noPlugin}};
    for (const auto& [environment, expected] : cases) {
        SCOPED_TRACE(environment.join(' ').toStdString());
        QProcess program;
        program.start("env", QStringList{"-u", "WAYLAND_DISPLAY"} + environment + QStringList{TW_PROGRAM});
        ASSERT_TRUE(program.waitForFinished());
        const std::string errors = program.readAllStandardError().toStdString();
        EXPECT_EQ(std::pair(program.exitStatus(), program.exitCode()), std::pair(QProcess::NormalExit, 1));
        // After its reason Qt lists the platforms it has.
        EXPECT_EQ(expected == noPlugin ? errors.substr(0, expected.size()) : errors, expected);
    }
}

} // namespace
} // namespace tw
