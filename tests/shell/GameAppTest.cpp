#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Deck.h"
#include "model/StackRow.h"
#include "platform/MessageBox.h"
#include "platform/VirtualKeys.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/GameApp.h"
#include "support/FakeGamePlatform.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

using test::DialogCall;

class Program : public ::testing::Test {
protected:
    using Values = std::vector<std::pair<std::string_view, std::int32_t>>;
    // Starts a program on a store that already holds these values.
    static void Start(GameApp& program, const Values& stored)
    {
        for (const auto& [name, value] : stored) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, value);
        }
        ASSERT_TRUE(program.InitInstance());
    }
    void Start(const Values& stored = {{"ShowNagDlg", 0}}) { Start(app, stored); }
    // A message box as "caption: text".
    std::string Said(std::size_t index)
    {
        return index < window().messages.size()
                   ? window().messages[index].caption + ": " + window().messages[index].text
                   : "(no message " + std::to_string(index) + ")";
    }
    std::string LastSaid() { return Said(window().messages.size() - 1); }

    test::FakeMainWindow& window() { return *platform.window; }
    Board& board() { return *app.GetBoard(); }
    bool TimerRuns() { return window().TimerRuns(kDropTimer); }

    // Plays the current game until it ends for want of room.
    void PlayUntilOver()
    {
        settings.LastStack = 0;
        while (!app.IsGameOver()) {
            app.OnKeyDown(settings.UpDown == 1 ? vk::Down : vk::Up);
        }
    }

    test::TemporaryStore store;
    test::SettingsScope scope;
    test::FakeGamePlatform platform;
    GameApp app{platform};
};

TEST_F(Program, StartsARunningGameWithTheWelcomeDialogAndMusic)
{
    Start({{"ShowNagDlg", 1}});
    EXPECT_TRUE(window().shown && platform.soundEffectsReady);
    EXPECT_TRUE(window().placement.maximized) << "the very first start is maximised";
    ASSERT_EQ(platform.dialogs.size(), 1u);
    EXPECT_EQ(platform.dialogs[0].dialog + " " + platform.titlesDuringDialogs[0], "welcome Tumblewick - Paused");
    EXPECT_EQ(window().title, "Tumblewick");
    EXPECT_EQ(window().timers[kDropTimer], 800);
    EXPECT_EQ(platform.sequencer.opened, std::vector<std::string>{"song1.mid"});
    EXPECT_EQ(board().GetColumn(), 3) << "the first paint placed the first card";
}

TEST_F(Program, BringsAStoredPlacementBackOnScreen)
{
    const std::pair<Values, Rect> cases[] = {
        {{{"Left", -5}, {"Top", 10}, {"Width", 700}, {"Height", 500}}, Rect::FromSize(0, 10, 700, 500)},
        {{{"Left", 1900}, {"Top", 1060}, {"Width", 100}, {"Height", 100}}, Rect::FromSize(0, 0, 638, 458)},
        {{{"Left", 20}, {"Top", -1}, {"Width", 5000}, {"Height", 5000}}, Rect::FromSize(20, 0, 640, 460)},
        {{{"Left", 1888}, {"Top", 1048}, {"Width", 629}, {"Height", 455}}, Rect::FromSize(1888, 1048, 629, 455)},
    };
    for (const auto& [stored, expected] : cases) {
        test::TemporaryStore own;
        test::FakeGamePlatform fresh;
        GameApp program(fresh);
        WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, "ShowNagDlg", 0);
        Start(program, stored);
        EXPECT_EQ(fresh.created.normal, expected) << stored[0].second << "," << stored[1].second;
    }
}

TEST_F(Program, KeysPlayOnlyWhileTheGameRuns)
{
    Start();
    const int cards = board().GetStackRow().CardCount(3);
    app.OnCommand(CommandPause);
    EXPECT_EQ(window().title, "Tumblewick - Paused");
    EXPECT_FALSE(TimerRuns());
    EXPECT_FALSE(app.OnKeyDown(vk::Down));
    app.OnCommand(CommandPause);
    EXPECT_EQ(window().title, "Tumblewick");
    EXPECT_TRUE(TimerRuns());

    EXPECT_FALSE(app.OnKeyDown(0x70)) << "outside the game's keys";
    EXPECT_FALSE(app.OnKeyDown('A'));
    EXPECT_TRUE(app.OnKeyDown(vk::Numpad4));
    EXPECT_EQ(board().GetColumn(), 2);
    EXPECT_TRUE(app.OnKeyDown(vk::Right));
    EXPECT_EQ(board().GetColumn(), 3);
    EXPECT_TRUE(app.OnKeyDown(vk::Numpad2)); // drops: the cards fall down
    EXPECT_EQ(board().GetStackRow().CardCount(3), cards + 1);
}

TEST_F(Program, UpsideDownTheUpKeyDropsAndTheDownKeySwaps)
{
    Start({{"ShowNagDlg", 0}, {"UpDown", -1}});
    app.OnKeyDown(vk::Up);
    EXPECT_EQ(board().GetStackRow().CardCount(3), 1);
    const int y = board().GetDeck().Sprite().GetY();
    app.OnKeyDown(vk::Down);
    EXPECT_EQ(board().GetStackRow().CardCount(3), 1);
    EXPECT_EQ(board().GetDeck().Sprite().GetY(), y);
}

TEST_F(Program, FocusAndMenusPauseAndResume)
{
    Start();
    app.OnKillFocus();
    EXPECT_TRUE(app.IsPaused());
    app.OnSetFocus();
    EXPECT_FALSE(app.IsPaused());

    app.OnCommand(CommandPause);
    app.OnInitMenu();
    app.OnMenuClosed();
    EXPECT_FALSE(app.IsPaused()) << "closing the menu lifts a pause made with the key";

    app.OnCommand(CommandAbout);
    EXPECT_EQ(platform.titlesDuringDialogs.back(), "Tumblewick - Paused");
    EXPECT_FALSE(app.IsPaused());
    EXPECT_TRUE(TimerRuns());
}

// No keeps the game; Yes abandons it, and its high score is entered without
// further questions.
TEST_F(Program, NewAsksWhileAGameRunsAndAnAbandonedHighScoreIsEntered)
{
    Start();
    Board* first = &board();
    board().AddScore(5000);
    window().answer = ResultNo;
    app.OnCommand(CommandNew);
    EXPECT_EQ(app.GetBoard(), first);
    EXPECT_FALSE(app.IsPaused());
    EXPECT_EQ(Said(0), "New Game: Are you sure you want to quit the current game?");
    EXPECT_EQ(window().messages[0].style, static_cast<unsigned>(MessageBoxYesNo));

    window().answer = ResultYes;
    app.OnCommand(CommandNew);
    ASSERT_EQ(platform.dialogs.size(), 1u);
    EXPECT_EQ(std::tuple(platform.dialogs[0].dialog, platform.dialogs[0].newEntryMode, platform.dialogs[0].score),
              std::tuple("high scores", true, 5000));
    EXPECT_EQ(window().messages.size(), 3u);
    EXPECT_EQ(LastSaid(), "Game Over: Congratulations!  You got a high score!");
    EXPECT_EQ(board().GetScore(), 0) << "a new game began";
    EXPECT_EQ(window().title, "Tumblewick");
}

TEST_F(Program, AGameWithoutRoomEndsWithTheOfferToPlayAgain)
{
    Start();
    window().answer = ResultYes;
    PlayUntilOver();
    EXPECT_EQ(window().title, "Tumblewick - Game Over");
    EXPECT_FALSE(TimerRuns());
    EXPECT_EQ(LastSaid(), "Game Over: Do you want to play again?");
    EXPECT_TRUE(platform.sequencer.open.empty()) << "the music stopped";

    app.OnCommand(CommandPause);
    EXPECT_EQ(window().title, "Tumblewick - Game Over") << "no pausing after the end";
    app.OnSetFocus();
    EXPECT_FALSE(TimerRuns());

    window().DeliverPosted(); // the posted New: no question, a game over has none
    EXPECT_FALSE(app.IsGameOver());
    EXPECT_EQ(LastSaid(), "Game Over: Do you want to play again?");
    EXPECT_EQ(platform.sequencer.opened.back(), "song2.mid");
}

TEST_F(Program, TheEndlessMatchBonusCountsTowardsTheHighScore)
{
    Start();
    app.GameOver(2);
    EXPECT_EQ(Said(0).substr(0, 26 + 11), "Game Over: Getting tired of this yet?");
    EXPECT_EQ(board().GetScore(), 10000);
    ASSERT_EQ(platform.dialogs.size(), 1u);
    EXPECT_EQ(platform.dialogs[0].score, 10000);
    EXPECT_EQ(LastSaid(), "Game Over: Congratulations!  You got a high score!");
}

TEST_F(Program, ConfirmedOptionsStartANewGameOnlyWhenTheRulesChanged)
{
    Start();
    Board* first = &board();
    platform.optionsResult = 2;
    platform.onOptions = [] { settings.Music = 0; };
    app.OnCommand(CommandOptions);
    EXPECT_EQ(app.GetBoard(), first);
    EXPECT_TRUE(platform.sequencer.open.empty()) << "music turned off stops the song";
    EXPECT_FALSE(app.IsPaused());

    board().AddScore(99999);
    platform.optionsResult = 1;
    platform.onOptions = [] { settings.Music = 1; };
    app.OnCommand(CommandOptions);
    EXPECT_NE(app.GetBoard(), first);
    EXPECT_TRUE(window().messages.empty()) << "no question and no high score";
    EXPECT_FALSE(app.IsPaused());
    EXPECT_EQ(platform.sequencer.open.size(), 1u) << "one song at a time";
}

TEST_F(Program, CloseSavesThePlacementAndExitDoesNot)
{
    Start({{"ShowNagDlg", 0}, {"Beep", 0}});
    settings.Beep = 1;
    window().placement = {Rect::FromSize(40, 30, 800, 600), true};
    app.OnCommand(CommandExit);
    EXPECT_TRUE(window().destroyed);
    EXPECT_EQ(platform.quitCode, 0);
    EXPECT_EQ(ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, "Beep", 7), 0);

    test::FakeGamePlatform second;
    GameApp again(second);
    ASSERT_TRUE(again.InitInstance());
    settings.Beep = 1;
    second.window->placement = {Rect::FromSize(40, 30, 800, 600), true};
    again.OnClose();
    WindowPlacement saved{};
    LoadSettings(saved);
    EXPECT_EQ(settings.Beep, 1);
    EXPECT_EQ(saved.left, 40);
    EXPECT_EQ(saved.width, 800);
    EXPECT_EQ(saved.minMax, 2);
    EXPECT_FALSE(IsFirstBoot());
}

TEST_F(Program, AHelpDocumentThatCannotBeOpenedIsReported)
{
    Start();
    platform.documentError = "No such file or directory";
    app.OnCommand(CommandHelp);
    app.OnCommand(CommandWeb);
    EXPECT_EQ(platform.documents, (std::vector<std::string>{"TumblewickHelp.htm", GameApp::kWebPage}));
    EXPECT_EQ(platform.errors, std::vector<std::string>(2, "No such file or directory"));
    EXPECT_FALSE(app.OnCommand(12345));
}

TEST_F(Program, DraggingABorderKeepsTheWindowLargeEnough)
{
    for (auto [edge, rect, after] : {std::tuple{EdgeRight, Rect{100, 100, 500, 700}, Rect{100, 100, 729, 700}},
                                     {EdgeTopLeft, {100, 100, 500, 300}, {-129, -155, 500, 300}},
                                     {EdgeBottom, {0, 0, 800, 200}, {0, 0, 800, 455}},
                                     {EdgeLeft, {0, 0, 800, 200}, {0, 0, 800, 200}}}) {
        app.OnSizing(edge, rect);
        EXPECT_EQ(rect, after) << "edge " << edge;
    }
}

} // namespace
} // namespace tw
