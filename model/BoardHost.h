#pragma once

#include "model/GameOverReason.h"

namespace tw {

class CardPainter;
class SoundEffects;
class Window;

// The program around a game, as the board sees it: the main window it draws
// in and times itself with, and the session that ends the game.
class BoardHost {
public:
    virtual ~BoardHost() = default;

    virtual Window& GameWindow() = 0;
    virtual const CardPainter& Cards() const = 0;
    virtual SoundEffects& Sound() = 0;
    // Blocks the GUI thread: the pace of the drop animation.
    virtual void Sleep(int milliseconds) = 0;

    virtual bool IsGameOver() const = 0;
    // Ends the game. Returns when the whole game-over sequence has run; the
    // board stays alive meanwhile.
    virtual void GameOver(GameOverReason reason) = 0;

    // The popup that announces a new level; returns when it has closed.
    virtual void ShowLevelAdvance() = 0;
};

// The window commands the board sends.
enum BoardCommand : int {
    CommandLevelComplete = 32775,
};

// The window timer that drives the falling card.
constexpr int kDropTimer = 1;

} // namespace tw
