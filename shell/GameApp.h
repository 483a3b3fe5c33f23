#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/Board.h"
#include "model/BoardHost.h"
#include "platform/Bitmap.h"
#include "platform/MainWindow.h"
#include "presentation/CardLibrary.h"
#include "presentation/CardPainter.h"
#include "settings/SettingsStore.h"
#include "shell/MusicChain.h"

namespace tw {

class GamePlatform;

// The program: it starts up, owns the main window, the card component and
// the game in play, turns the window's messages into game operations, runs
// the menu commands and the life of each game, and shuts down.
class GameApp final : public WindowHandler, public BoardHost {
public:
    // The product web page, set when the program is built.
    static const char* const kWebPage;

    explicit GameApp(GamePlatform& platform);
    ~GameApp() override;
    GameApp(const GameApp&) = delete;
    GameApp& operator=(const GameApp&) = delete;

    // Start-up, in its fixed order. False when the program cannot run: it
    // then ends at once with exit code 0.
    bool InitInstance();

    // The game session.
    void NewGame();
    void SetPaused(bool pause);
    void TogglePause();
    void GameOver(GameOverReason reason) override;
    bool IsPaused() const { return paused; }
    bool IsGameOver() const override { return gameOver; }

    // WindowHandler: the main window's messages.
    void OnSetFocus() override;
    void OnKillFocus() override;
    bool OnEraseBackground(DeviceContext& dc) override;
    void OnPaint(DeviceContext& dc) override;
    void OnClose() override;
    void OnEndSession() override;
    void OnDestroy() override;
    bool OnKeyDown(int virtualKey) override;
    bool OnCommand(int id) override;
    bool OnTimer(int id) override;
    void OnInitMenu() override;
    void OnMenuClosed() override;
    void OnSizing(int edge, Rect& windowRect) override;
    Size LeastSize() const override;

    // BoardHost: what the board needs of the program around it.
    Window& GameWindow() override { return *window; }
    const CardPainter& Cards() const override { return *painter; }
    SoundEffects& Sound() override;
    void Sleep(int milliseconds) override;
    void ShowLevelAdvance() override;

    void SaveWindowState();
    void CleanUp();

    // For tests: the game in play and the main window.
    Board* GetBoard() const { return board.get(); }
    Window* GetWindow() const { return window.get(); }

private:
    void ClampPlacement();
    void OfferKeptGame();
    void RunPausedDialog(const std::function<void()>& runDialog);
    void RunOptions();
    void OpenDocument(std::string_view target);
    void ShowTitle(std::string_view suffix);
    void ShowFinalScore();
    int StatusTextHeight();

    GamePlatform& platform;
    CardLibrary cardLibrary;
    std::int32_t cardWidth = 0;
    std::int32_t cardHeight = 0;
    WindowPlacement placement{0, 0, 629, 455};
    std::optional<Bitmap> overlayMask;
    std::optional<Bitmap> overlayImage;
    std::int32_t pendingScore = 0;
    std::unique_ptr<Board> board;
    bool paused = true;
    bool gameOver = false;
    bool initialised = false;
    bool keptGame = false; // this run kept its game, when the session's end was cancelled
    std::optional<std::string> offeredGame; // the kept game's text while the question is unanswered
    MusicChain music;

    std::unique_ptr<Window> window;
    std::optional<CardPainter> painter;
};

} // namespace tw
