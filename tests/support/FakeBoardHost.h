#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "model/Board.h"
#include "model/BoardHost.h"
#include "support/TestTable.h"

namespace tw::test {

// The program around a board, without a window system: the real card
// component draws into a fake window, sound and sleep are recorded and the
// game over is noted. Commands the board sends go to the window's onCommand,
// which a test that plays past a level sets.
class FakeBoardHost : public BoardHost, public TestTable {
public:
    explicit FakeBoardHost(int width = 640, int height = 460, int scale = 1) : TestTable(width, height, scale) {}

    Window& GameWindow() override { return window; }
    const CardPainter& Cards() const override { return painter; }
    SoundEffects& Sound() override { return sound; }
    void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
    bool IsGameOver() const override { return !gameOverReasons.empty(); }
    void GameOver(GameOverReason reason) override { gameOverReasons.push_back(reason); }
    void ShowLevelAdvance() override
    {
        ++levelAdvances;
        if (onLevelAdvance) {
            onLevelAdvance();
        }
    }

    // What the window's paint message does: erase, then paint the board.
    void PaintWindow()
    {
        Clear();
        board->Paint(dc);
    }

    // Starts a game the way a new game does: make the board, then paint.
    Board& NewBoard(std::unique_ptr<Deck> deck = nullptr)
    {
        board = deck ? std::make_unique<Board>(*this, std::move(deck)) : std::make_unique<Board>(*this);
        PaintWindow();
        return *board;
    }

    std::vector<int> sleeps;
    std::vector<GameOverReason> gameOverReasons;
    int levelAdvances = 0;
    std::function<void()> onLevelAdvance; // while the popup is up
    std::unique_ptr<Board> board;
};

} // namespace tw::test
