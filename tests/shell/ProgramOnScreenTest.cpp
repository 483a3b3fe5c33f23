#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "platform/MessageLoop.h"
#include "platform/qt/QtMainWindowWidgets.h"
#include "settings/KeptGameStore.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "shell/DesktopPlatform.h"
#include "shell/GameApp.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

// The whole program on Qt's offscreen screen: the real main window, dialogs,
// message boxes and store, driven by keys and clicks as a player drives it.
class ProgramOnScreen : public ::testing::Test {
protected:
    struct Run { DesktopPlatform platform; GameApp app{platform}; };

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

    QMainWindow* Widget() { return MainWindowWidget(*run->app.GetWindow()); }
    QWidget* Client() { return ClientAreaWidget(*run->app.GetWindow()); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(Client(), key, modifiers); }
    // What a next run would find kept of this one.
    std::pair<int, QRect> Kept() { return {settings.LastStack, Widget()->geometry()}; }

    test::TemporaryStore store;
    test::SettingsScope scope;
    std::optional<Run> run;
};

// Closing, and a terminating signal from play or from inside a dialog, which
// goes first, keep the options, the window's place and the game in play for
// the next run; Exit does not.
TEST_F(ProgramOnScreen, TheOptionsAndPlacementOutliveEveryEndButExit)
{
    Launch();
    const auto byExit = [this] { Key(Qt::Key_X, Qt::ControlModifier); };
    // Both signals take one path, so each is sent once: from play, and from
    // inside a dialog.
    const auto bySigtermInAbout = [this] {
        QTimer::singleShot(50, [] {
            EXPECT_NE(QApplication::activeModalWidget(), nullptr) << "About is open";
            std::raise(SIGTERM);
        });
        QTest::sendKeyEvent(QTest::Click, Client(), Qt::Key_Slash, '/', Qt::AltModifier);
    };
    const std::tuple<const char*, std::function<void()>, bool> ends[] = {
        {"close", [this] { Widget()->close(); }, true}, {"Exit", byExit, false},
        {"SIGHUP", [] { std::raise(SIGHUP); }, true}, {"SIGTERM in About", bySigtermInAbout, true},
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
        EXPECT_EQ(TakeKeptGame().empty(), !keeps) << "the game in play";
        Launch();
        EXPECT_TRUE(Kept() == (keeps ? ran : kept));
        kept = Kept();
    }
    EXPECT_EQ(RunUntilTheEnd(byExit), 0);
}

// The built program itself, started where there is nothing to draw on: from
// a text console (to Qt, as a display that does not answer); or with a window
// system that cannot be had, where Qt's own reason is the one to read.
TEST(NoWindowSystem, EndsWithTheReasonForThePlayer)
{
    const std::string noDisplay = "Tumblewick needs a graphical desktop session, and no display was found.\n";
    const std::string noPlugin = "Could not find the Qt platform plugin \"bogus\" in \"\"\n"
                                 "This application failed to start because no Qt platform plugin could be "
                                 "initialized. Reinstalling the application may fix this problem.\n";
    const std::pair<QStringList, std::string> cases[] = {{{"-u", "QT_QPA_PLATFORM", "-u", "DISPLAY"}, noDisplay},
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
