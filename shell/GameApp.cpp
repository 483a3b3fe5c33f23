#include "shell/GameApp.h"

#include <functional>
#include <string>

#include "model/KeptGame.h"
#include "model/Random.h"
#include "platform/DeviceContext.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/VirtualKeys.h"
#include "platform/Window.h"
#include "resources/MenuTemplates.h"
#include "settings/HighScoreTable.h"
#include "settings/KeptGameStore.h"
#include "settings/Settings.h"
#include "shell/Commands.h"
#include "shell/GamePlatform.h"

#ifndef TUMBLEWICK_WEB_PAGE
#define TUMBLEWICK_WEB_PAGE "https://tumblewick.example/"
#endif

namespace tw {
namespace {

constexpr int kMinimumWidth = 629;
constexpr int kMinimumHeight = 455;
constexpr int kFirstKey = 32;
constexpr int kLastKey = 104;

std::string ProgramTitle() { return std::string(LoadStringResource(TitleStringId)); }

constexpr int kLargeIcon = 130;
constexpr int kSmallIcon = 108;
constexpr int kOverlayMask = 168;
constexpr int kOverlayImage = 169;

constexpr const char* kOutOfCards =
    "You're out of cards!  When playing with the \"One Deck\" option, you only get 52 cards to play "
    "with. They're recycled back into the deck every time you collapse a stack, but once the deck is "
    "empty, the game is over.  And that's what just happened!";
constexpr const char* kEndlessMatch =
    "Getting tired of this yet?  You've nearly emptied the deck, and it just so happens that the few "
    "remaining cards are a perfect match -- they will collapse on their own from now until eternity. "
    "So, you are hereby awarded 10,000 extra points for discovering this odd quirk of the rules, and "
    "the game is now over.  Hope you get a high score!";
constexpr const char* kHighScore = "Congratulations!  You got a high score!";
constexpr const char* kPlayAgain = "Do you want to play again?";
constexpr const char* kQuitGame = "Are you sure you want to quit the current game?";

constexpr std::int32_t kEndlessMatchBonus = 10000;

bool DraggingLeft(int edge) { return edge == EdgeLeft || edge == EdgeTopLeft || edge == EdgeBottomLeft; }
bool DraggingRight(int edge) { return edge == EdgeRight || edge == EdgeTopRight || edge == EdgeBottomRight; }
bool DraggingTop(int edge) { return edge == EdgeTop || edge == EdgeTopLeft || edge == EdgeTopRight; }
bool DraggingBottom(int edge) { return edge == EdgeBottom || edge == EdgeBottomLeft || edge == EdgeBottomRight; }

} // namespace

const char* const GameApp::kWebPage = TUMBLEWICK_WEB_PAGE;

GameApp::GameApp(GamePlatform& platform) : platform(platform), music(platform.Sequencer()) {}

GameApp::~GameApp() = default;

SoundEffects& GameApp::Sound() { return platform.Sound(); }

void GameApp::Sleep(int milliseconds) { platform.Sleep(milliseconds); }

bool GameApp::InitInstance()
{
    LoadSettings(placement);
    ClampPlacement();

    MainWindow::Creation creation;
    creation.title = ProgramTitle();
    creation.normal = Rect::FromSize(placement.left, placement.top, placement.width, placement.height);
    creation.menu = FindMenuTemplate(MainMenuId);
    creation.largeIcon = kLargeIcon;
    creation.smallIcon = kSmallIcon;
    window = platform.CreateMainWindow(creation, *this);
    if (!window) {
        platform.ShowError("The main window could not be created.");
        return false;
    }
    const bool maximized = placement.showState == WindowShowState::Maximized;
    window->Show(maximized || IsFirstBoot());

    platform.InitSoundEffects();

    if (cardLibrary.Load(*window) == 0) {
        return false;
    }
    SeedRandom(static_cast<std::uint32_t>(platform.SecondsSinceEpoch()));
    overlayMask = LoadBitmapResource(kOverlayMask);
    overlayImage = LoadBitmapResource(kOverlayImage);
    if (!overlayMask || !overlayImage) {
        return false;
    }
    painter.emplace(cardLibrary, *overlayMask, *overlayImage);
    cardWidth = cardLibrary.GetCardWidth();
    cardHeight = cardLibrary.GetCardHeight();
    window->SetMinimumClientSize(Board::PlayfieldSize(cardWidth, cardHeight, StatusTextHeight()));

    NewGame();
    if (settings.ShowNagDlg != 0) {
        window->SendCommand(CommandIntroduction);
    }
    OfferKeptGame();
    music.MusicPlayNext();
    initialised = true;
    return true;
}

// The game left in progress at the last close goes on when the player wants
// it and the rules are still those it was played under. Either way it is
// offered this once only. Until the player answers, the game offered is the
// one to keep: a session that ends while the question is open, or a program
// told to end, which dismisses the question unanswered, loses nothing.
void GameApp::OfferKeptGame()
{
    std::string text = TakeKeptGame();
    const std::optional<KeptGame> kept = ParseKeptGame(text);
    if (!kept || kept->rules != GameRules::Current()) {
        return;
    }
    // The board counts the levels passed; a player calls the first one 1.
    const std::string question = "Continue the game you left? Score: " + std::to_string(kept->score) +
                                 ", level " + std::to_string(kept->level + 1) + ".";
    offeredGame = std::move(text);
    RunPausedDialog([&] {
        const DialogResult answer = window->ShowMessage(question, ProgramTitle(), MessageBoxYesNo);
        if (answer == DialogResult::Yes) {
            board = std::make_unique<Board>(*this, *kept);
            window->Redraw();
        }
        if (answer == DialogResult::Yes || answer == DialogResult::No) {
            offeredGame.reset();
        }
    });
}

// A stored placement that would put the window out of reach, or make it
// smaller than the game needs, is brought back.
void GameApp::ClampPlacement()
{
    const ScreenMetrics screen = platform.Screen();
    if (placement.left < 0 || placement.left > screen.width - screen.iconWidth) {
        placement.left = 0;
    }
    if (placement.top < 0 || placement.top > screen.height - screen.iconHeight) {
        placement.top = 0;
    }
    if (placement.width > screen.width) {
        placement.width = 640;
    }
    if (placement.height > screen.height) {
        placement.height = 460;
    }
    if (placement.width < kMinimumWidth) {
        placement.width = 638;
    }
    if (placement.height < kMinimumHeight) {
        placement.height = 458;
    }
}

// --- The main window's messages ---

void GameApp::OnSetFocus()
{
    if (board && IsPaused() && !IsGameOver()) {
        SetPaused(false);
    }
}

void GameApp::OnKillFocus()
{
    if (board && !IsPaused()) {
        SetPaused(true);
    }
}

bool GameApp::OnEraseBackground(DeviceContext& dc)
{
    dc.FillRect(dc.ClipBox(), static_cast<ColorRef>(settings.BackgroundColor));
    return true;
}

void GameApp::OnPaint(DeviceContext& dc)
{
    if (board) {
        board->Paint(dc);
    }
}

void GameApp::OnClose() { SaveWindowState(); }

// The desktop asks this when it saves its session, and before a logout that
// may yet be cancelled: the game keeps running once its state is saved.
void GameApp::OnEndSession()
{
    SaveWindowState();
    if (board && !IsPaused()) {
        window->SetTimer(kDropTimer, settings.dropInterval);
    }
}

void GameApp::OnDestroy()
{
    CleanUp();
    platform.PostQuitMessage(0);
}

bool GameApp::OnKeyDown(int key)
{
    if (!board || IsPaused() || IsGameOver() || key < kFirstKey || key > kLastKey) {
        return false;
    }
    const bool fallingDown = settings.UpDown == 1;
    switch (key) {
    case vk::Space:
    case vk::Numpad5:
        board->Swap();
        return true;
    case vk::Left:
    case vk::Numpad4:
        board->MoveLeft();
        return true;
    case vk::Right:
    case vk::Numpad6:
        board->MoveRight();
        return true;
    case vk::Down:
    case vk::Numpad2:
        fallingDown ? board->Drop() : board->Swap();
        return true;
    case vk::Up:
    case vk::Numpad8:
        fallingDown ? board->Swap() : board->Drop();
        return true;
    default:
        return false;
    }
}

bool GameApp::OnTimer(int id)
{
    if (id != kDropTimer) {
        return false;
    }
    if (board) {
        board->Tick();
    }
    return true;
}

void GameApp::OnInitMenu()
{
    if (board && !IsPaused()) {
        SetPaused(true);
    }
}

void GameApp::OnMenuClosed()
{
    if (board && IsPaused() && !IsGameOver()) {
        SetPaused(false);
    }
}

void GameApp::OnSizing(int edge, Rect& rect)
{
    if (rect.Height() < kMinimumHeight) {
        if (DraggingBottom(edge)) {
            rect.bottom = rect.top + kMinimumHeight;
        } else if (DraggingTop(edge)) {
            rect.top = rect.bottom - kMinimumHeight;
        }
    }
    if (rect.Width() < kMinimumWidth) {
        if (DraggingLeft(edge)) {
            rect.left = rect.right - kMinimumWidth;
        } else if (DraggingRight(edge)) {
            rect.right = rect.left + kMinimumWidth;
        }
    }
}

Size GameApp::LeastSize() const
{
    return {kMinimumWidth, kMinimumHeight};
}

void GameApp::SaveWindowState()
{
    if (!IsPaused()) {
        window->KillTimer(kDropTimer);
    }
    const WindowPlacementState state = window->GetPlacement();
    placement.top = state.normal.top;
    placement.left = state.normal.left;
    placement.width = state.normal.Width();
    placement.height = state.normal.Height();
    placement.showState = state.maximized ? WindowShowState::Maximized : WindowShowState::Normal;
    // A game in progress is kept to go on at the next start, and so is one
    // offered and not yet answered. One this run kept at a session's end that
    // was cancelled must not come back once it has ended since.
    std::optional<std::string> kept;
    if (offeredGame) {
        kept = offeredGame;
    } else if (board && !IsGameOver()) {
        kept = KeptGameText(board->Keep());
    } else if (keptGame) {
        kept.emplace();
    }
    if (SaveSettings(placement, kept) && kept) {
        keptGame = !kept->empty();
    }
}

void GameApp::CleanUp()
{
    cardLibrary.Unload();
    board.reset();
    painter.reset();
    overlayMask.reset();
    overlayImage.reset();
}

// --- Commands ---

bool GameApp::OnCommand(int id)
{
    switch (id) {
    case CommandNew:
        NewGame();
        return true;
    case CommandPause:
        TogglePause();
        return true;
    case CommandHighScores:
        // The list only: no new score is waiting to be entered from here.
        RunPausedDialog([this] { platform.ShowHighScoreDialog(window.get(), false, 0); });
        return true;
    case CommandOptions:
        RunOptions();
        return true;
    case CommandExit:
        window->Destroy();
        return true;
    case CommandHelp:
        OpenDocument("TumblewickHelp.htm");
        return true;
    case CommandIntroduction:
        RunPausedDialog([this] { platform.ShowWelcomeDialog(window.get()); });
        return true;
    case CommandAbout:
        RunPausedDialog([this] { platform.ShowAboutDialog(window.get()); });
        return true;
    case CommandWeb:
        OpenDocument(kWebPage);
        return true;
    case CommandLevelComplete:
        if (board) {
            board->AdvanceLevel();
        }
        return true;
    default:
        return false;
    }
}

// Every dialog of a menu command runs inside a pause, and play resumes after
// it even when the player had paused before.
void GameApp::RunPausedDialog(const std::function<void()>& runDialog)
{
    if (!IsPaused()) {
        SetPaused(true);
    }
    runDialog();
    if (IsPaused() && !IsGameOver()) {
        SetPaused(false);
    }
}

void GameApp::RunOptions()
{
    if (!IsPaused()) {
        SetPaused(true);
    }
    const std::int32_t musicBefore = settings.Music;
    if (platform.ShowOptionsDialog(window.get()) == DialogResult::Ok) {
        // Changed rules abandon the game without a question or a high score.
        gameOver = true;
        NewGame();
    }
    if (settings.Music != musicBefore) {
        if (settings.Music != 0) {
            music.MusicPlayNext();
        } else {
            music.MusicStop();
        }
    }
    if (IsPaused() && !IsGameOver()) {
        SetPaused(false);
    }
}

void GameApp::OpenDocument(std::string_view target)
{
    std::string error;
    if (!platform.OpenDocument(target, error)) {
        platform.ShowError(error);
    }
}

// --- The game session ---

void GameApp::ShowTitle(std::string_view suffix)
{
    window->SetTitle(ProgramTitle() + std::string(suffix));
}

void GameApp::SetPaused(bool pause)
{
    if (pause) {
        ShowTitle(IsGameOver() ? " - Game Over" : " - Paused");
        paused = true;
        window->KillTimer(kDropTimer);
    } else {
        ShowTitle("");
        paused = false;
        window->SetTimer(kDropTimer, settings.dropInterval);
    }
}

void GameApp::TogglePause()
{
    if (!IsGameOver()) {
        SetPaused(!IsPaused());
    }
}

void GameApp::NewGame()
{
    if (!IsPaused()) {
        SetPaused(true);
    }
    if (board) {
        if (!IsGameOver() &&
            window->ShowMessage(kQuitGame, "New Game", MessageBoxYesNo) != DialogResult::Yes) {
            SetPaused(false);
            return;
        }
        if (!IsGameOver()) {
            GameOver(GameOverReason::Abandoned);
        }
        board.reset();
    }
    board = std::make_unique<Board>(*this);
    gameOver = false;
    window->Redraw();
    SetPaused(false);
    if (initialised) {
        music.MusicPlayNext();
    }
}

void GameApp::GameOver(GameOverReason reason)
{
    gameOver = true;
    SetPaused(true);
    music.StopForGameOver();
    // The card that ended the game may have scored after the status line was
    // drawn, and every message below stands in front of it.
    ShowFinalScore();

    const std::int32_t lowest = LowestHighScore();
    bool answered = reason != GameOverReason::NoRoom;
    if (reason == GameOverReason::OutOfCards) {
        window->ShowMessage(kOutOfCards, "Game Over", MessageBoxOk);
    } else if (reason == GameOverReason::EndlessMatch) {
        window->ShowMessage(kEndlessMatch, "Game Over", MessageBoxOk);
        board->AddScore(kEndlessMatchBonus);
        ShowFinalScore();
    }

    if (board->GetScore() > lowest) {
        pendingScore = board->GetScore();
        window->ShowMessage(kHighScore, "Game Over", MessageBoxOk);
        platform.ShowHighScoreDialog(window.get(), true, pendingScore);
        pendingScore = 0;
        answered = true;
    }

    if (!answered && window->ShowMessage(kPlayAgain, "Game Over", MessageBoxYesNo) == DialogResult::Yes) {
        // Posted: the board that called us must return before it is replaced.
        window->PostCommand(CommandNew);
    }
}

int GameApp::StatusTextHeight()
{
    // Without a window system nothing is measured; the status font's usual
    // height keeps the window's size sensible all the same.
    constexpr int kAssumedHeight = 16;
    ClientDC dc(window->ClientArea());
    const std::optional<Size> extent = dc.GetTextExtent("0 pts");
    return extent ? extent->cy : kAssumedHeight;
}

void GameApp::ShowFinalScore()
{
    ClientDC dc(window->ClientArea());
    board->PaintStatus(dc, false);
}

void GameApp::ShowLevelAdvance() { platform.ShowLevelAdvanceDialog(window.get()); }

} // namespace tw
