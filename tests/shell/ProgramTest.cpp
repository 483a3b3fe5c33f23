#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "model/Deck.h"
#include "model/KeptGame.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "platform/DeviceContext.h"
#include "platform/VirtualKeys.h"
#include "settings/KeptGameStore.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/GameApp.h"
#include "support/FakeGamePlatform.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

using Strings = std::vector<std::string>;
using Values = std::vector<std::pair<std::string_view, std::int32_t>>;

// Puts these values in the store, as an earlier run left them.
void Store(const Values& values)
{
    for (const auto& [name, value] : values) { WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, value); }
}

std::optional<std::string> KeptText() { return test::StoredText(kKeptGameKey, kKeptGameName, 1 << 16); }

class Program : public ::testing::Test {
protected:
    // Starts the program on a store that already holds these values.
    void Start(const Values& stored = {{"ShowNagDlg", 0}}) { Store(stored); ASSERT_TRUE(app.InitInstance()); }
    // The last message box as "caption: text".
    std::string Said() { return window().messages.back().caption + ": " + window().messages.back().text; }

    test::FakeMainWindow& window() { return *platform.window; }
    // The pixels of the status line, where the score is, as shown or as
    // painted now.
    std::vector<std::uint32_t> StatusLine(bool repainted = false)
    {
        if (repainted) { ClientDC dc(window().ClientArea()); board().PaintStatus(dc, false); }
        const Bitmap& image = window().surface.image;
        return {image.Data().begin(), image.Data().begin() + 20 * image.Width()};
    }
    Board& board() { return *app.GetBoard(); }
    // A game under way: a card landed, one falling, points and a level passed.
    static KeptGame Play(GameApp& program)
    {
        program.OnKeyDown(vk::Down), program.OnTimer(kDropTimer), program.OnCommand(CommandLevelComplete);
        return program.GetBoard()->AddScore(4321), program.GetBoard()->Keep();
    }

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
    EXPECT_TRUE(window().shown && platform.soundEffectsReady && window().placement.maximized) << "the first start maximised";
    app.OnCommand(CommandAbout);
    EXPECT_EQ(platform.dialogs, (Strings{"welcome (Tumblewick - Paused)", "about (Tumblewick - Paused)"}));
    EXPECT_EQ(std::tuple(window().timers[kDropTimer], platform.sequencer.log, board().GetColumn()),
              std::tuple(800, "song1.mid", 3)) << "the drop timer, the first song, the first card placed";
    // Without the focus nothing drops, and keys play only while the game runs.
    app.OnKillFocus();
    const bool timerRuns = window().TimerRuns(kDropTimer); // before the key, which must change nothing
    EXPECT_EQ(std::pair(timerRuns, app.OnKeyDown(vk::Up)), std::pair(false, false)) << "paused";
    app.OnSetFocus(); // the keys below play again
    // The menu holds the play too, and closing it resumes even after F3 paused.
    app.OnInitMenu();
    const bool heldByMenu = !window().TimerRuns(kDropTimer);
    app.OnMenuClosed();
    app.OnCommand(CommandPause);
    const std::string heldByF3 = window().title;
    app.OnInitMenu();
    app.OnMenuClosed();
    EXPECT_EQ(std::tuple(heldByMenu, heldByF3, window().title, window().TimerRuns(kDropTimer)),
              std::tuple(true, "Tumblewick - Paused", "Tumblewick", true));
    // Each key with the column after it and whether it swapped the card in hand; none drops.
    for (const auto& [key, column, swaps] : {std::tuple{vk::Numpad4, 2, false}, {vk::Numpad6, 3, false},
                                             {vk::Space, 3, true}, {vk::Down, 3, true}}) {
        const CardCode held = board().GetDeck().Sprite().GetCard()->GetCode();
        app.OnKeyDown(key);
        EXPECT_EQ(std::tuple(board().GetColumn(), board().GetDeck().Sprite().GetCard()->GetCode() != held,
                             board().GetStackRow().CardCount(3)), std::tuple(column, swaps, 0)) << key;
    }
    app.OnKeyDown(vk::Up);
    EXPECT_EQ(board().GetStackRow().CardCount(3), 1) << "up drops";
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
        Store({{"Left", left}, {"Top", top}, {"Width", size}, {"Height", size}});
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
    window().answer = DialogResult::No;
    app.OnCommand(CommandNew);
    EXPECT_EQ(std::tuple(Said(), board().GetScore(), app.IsPaused()),
              std::tuple("New Game: Are you sure you want to quit the current game?", 5000, false)) << "it goes on";

    window().answer = DialogResult::Yes;
    app.OnCommand(CommandNew);
    EXPECT_EQ(Said(), "Game Over: Congratulations!  You got a high score!");

    app.GameOver(GameOverReason::EndlessMatch);
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
    EXPECT_EQ(std::tuple(app.IsGameOver(), Said(), platform.sequencer.log.ends_with(" song2.mid")),
              std::tuple(false, "Game Over: Do you want to play again?", true));
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
        EXPECT_TRUE(layout.rowRect.left >= 0 && layout.rowRect.right <= least.right && lowest <= least.bottom) << upDown;
    }
}

// A changed rule starts a new game at once, without a question.
TEST_F(Program, OptionsKeepTheGameUnlessTheRulesChangedAndDocumentsThatCannotOpenAreReported)
{
    Start();
    board().AddScore(99999);
    platform.onOptions = [] { settings.Music = 0; };
    app.OnCommand(CommandOptions);
    EXPECT_EQ(std::tuple(board().GetScore(), platform.sequencer.open.size()), std::tuple(99999, 0u))
        << "the same game goes on; music turned off stops the song";
    platform.optionsResult = DialogResult::Ok;
    platform.onOptions = [] { settings.Music = 1; };
    app.OnCommand(CommandOptions);
    EXPECT_EQ(std::tuple(board().GetScore(), window().messages.size(), platform.sequencer.open.size()),
              std::tuple(0, 0u, 1u)) << "a new game, without a question; one song at a time";

    platform.documentError = "No such file or directory";
    app.OnCommand(CommandHelp);
    app.OnCommand(CommandWeb);
    EXPECT_EQ(platform.documents, (Strings{"TumblewickHelp.htm", GameApp::kWebPage}));
    EXPECT_EQ(platform.errors, Strings(2, "No such file or directory"));
    EXPECT_FALSE(app.OnCommand(12345));
}

// What Exit keeps the on-screen test shows. The session's end saves as
// closing does, a maximised window's normal place and the game under way with
// the settings, and the game goes on: the logout may yet be cancelled. A game
// that is over is not kept, even one kept at a cancelled session's end.
TEST_F(Program, ClosingAndTheSessionsEndSaveThePlacementAndTheGameUnderWay)
{
    // c: close, e: the session's end, o: the game ends.
    for (const auto& [steps, kept, runs] : {std::tuple{"c", true, false}, {"e", true, true}, {"oc", false, false},
                                            {"eoc", false, false}}) {
        test::TemporaryStore own;
        test::FakeGamePlatform fresh;
        GameApp program(fresh);
        ASSERT_TRUE(program.InitInstance());
        fresh.window->placement = {Rect::FromSize(40, 30, 800, 600), true};
        const KeptGame playing = Play(program);
        for (const char step : std::string_view(steps)) {
            step == 'c' ? program.OnClose() : step == 'e' ? program.OnEndSession() : program.GameOver(GameOverReason::NoRoom);
        }
        WindowPlacement saved{};
        LoadSettings(saved);
        EXPECT_EQ(std::tuple(ParseKeptGame(KeptText().value_or("")), saved.showState, Rect::FromSize(saved.left, saved.top,
                             saved.width, saved.height), fresh.window->TimerRuns(kDropTimer)),
                  std::tuple(kept ? std::optional(playing) : std::nullopt, WindowShowState::Maximized,
                             Rect::FromSize(40, 30, 800, 600), runs)) << steps;
    }
}

// The next start asks, after the welcome and inside a pause, whether to go on
// with the kept game: Yes puts back the same board, No keeps the new game.
// Either way it is taken out, so it is asked once; a kept game cut short or
// of other rules is dropped without a question. Nothing else stored
// changes, and the music starts as ever.
TEST_F(Program, TheNextStartOffersTheKeptGameOnceAfterTheWelcomeAndDropsOneThatDoesNotFit)
{
    Start({{"ShowNagDlg", 0}, {"SwapMode", 2}});
    WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Name0", "Ada");
    const KeptGame left = Play(app);
    app.OnClose();
    const std::string whole = KeptText().value_or(""), asked = "Tumblewick: Continue the game you left? Score: " +
        std::to_string(left.score) + ", level 2. (Tumblewick - Paused, after welcome (Tumblewick - Paused))";
    KeptGame otherRules = left;
    otherRules.rules.SwapMode = 1;
    const std::optional<std::string> asLeft; // what the last run left
    for (const auto& [text, answer, question, same] :
         {std::tuple{asLeft, DialogResult::Yes, asked, true}, {asLeft, DialogResult::Yes, "", false},
          {whole, DialogResult::No, asked, false}, {whole.substr(0, whole.size() / 2), DialogResult::Yes, "", false},
          {KeptGameText(otherRules), DialogResult::Yes, "", false}}) {
        if (text) { WriteRegistryString(RegistryRoot::CurrentUser, kKeptGameKey, kKeptGameName, *text); }
        test::FakeGamePlatform next;
        GameApp again(next);
        std::string said;
        next.answer = answer;
        next.onMessage = [&] { said = next.window->messages.back().caption + ": " + next.window->messages.back().text +
                                      " (" + next.window->title + ", after " + next.dialogs.back() + ")"; };
        Store({{"ShowNagDlg", 1}});
        ASSERT_TRUE(again.InitInstance());
        EXPECT_EQ(std::tuple(said, again.GetBoard()->Keep() == left, next.window->timers[kDropTimer], next.sequencer.log,
                             KeptText(), ReadRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, "SwapMode", 0),
                             test::StoredText(kHighScoresKey, "Name0")),
                  std::tuple(question, same, same ? left.dropInterval : 800, "song1.mid", std::nullopt, 2, "Ada"));
    }
}

// Until the question is answered the game offered is the one kept: by the
// session's end while it is open, and by the close after a box the program
// dismissed unanswered because it was told to end.
TEST_F(Program, AGameOfferedOutlivesAnEndBeforeItIsAnswered)
{
    Start({{"ShowNagDlg", 0}});
    const KeptGame left = Play(app);
    app.OnClose();
    for (const auto& [answer, endsWhileAsked] : {std::pair{DialogResult::No, true}, {DialogResult::Cancel, false}}) {
        test::FakeGamePlatform next;
        GameApp again(next);
        next.answer = answer;
        next.onMessage = [&, endsWhileAsked = endsWhileAsked] { if (endsWhileAsked) { again.OnEndSession(); } };
        ASSERT_TRUE(again.InitInstance());
        if (!endsWhileAsked) { again.OnClose(); }
        EXPECT_EQ(ParseKeptGame(KeptText().value_or("")), std::optional(left)) << endsWhileAsked;
    }
}

} // namespace
} // namespace tw
