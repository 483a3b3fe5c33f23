#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/GameDC.h"
#include "platform/Geometry.h"

namespace tw {

class BoardHost;
class Deck;
class DeviceContext;
class StackRow;
struct KeptGame;

// The game in play: it deals a card over a column, lets it fall tick by
// tick, moves, drops and swaps it, lands it, scores and collapses melds,
// advances the level every 52 cards and ends the game when a new card has no
// room or the deck says so. Every operation that draws does it at once, in
// the host's main window.
class Board {
public:
    static constexpr std::int32_t kColumns = 7;
    static constexpr std::int32_t kCardsPerLevel = 52;
    static constexpr std::int32_t kTickStep = 12;
    static constexpr std::int32_t kDropStep = 48;
    static constexpr std::int32_t kPointsShownTicks = 7;
    static constexpr std::int32_t kFirstDropInterval = 800;

    // The drop period of the next level when the game speeds up.
    static std::int32_t FasterInterval(std::int32_t interval);

    // The smallest client area that shows the whole playfield in either
    // orientation, with a margin round it: the status line, a card where it
    // is dealt, the stacks at their tallest and the points under them.
    static Size PlayfieldSize(int cardWidth, int cardHeight, int textHeight);

    explicit Board(BoardHost& host);
    // A game dealt from a deck prepared by the caller.
    Board(BoardHost& host, std::unique_ptr<Deck> dealer);
    // A kept game put back as it was: its generator, its drop interval and
    // its board. The falling card takes its place over its column at the
    // first paint, wherever the row then lies.
    Board(BoardHost& host, const KeptGame& kept);
    virtual ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    void MoveLeft();
    void MoveRight();
    void Drop();
    void Swap();
    void Tick();
    void AdvanceLevel();

    // The game as it stands, to be put back at the next start. Only a game
    // that is not over is worth keeping; the caller knows whether it is.
    KeptGame Keep() const;

    std::int32_t DistanceToLanding(std::int32_t x, std::int32_t y, std::int32_t column) const;
    double Multiplier() const;
    std::int32_t GetScore() const { return score; }
    void AddScore(std::int32_t points);

    // The whole playfield, on the context the window paints with.
    void Paint(DeviceContext& dc);
    // The texts only. With erase, columns without points get blanks that
    // wipe out what was shown there.
    void PaintStatus(DeviceContext& dc, bool erase);

    // For the status line and for tests.
    std::int32_t GetLevel() const { return level; }
    std::int32_t GetColumn() const { return column; }
    std::int32_t GetCardsThisLevel() const { return cardsThisLevel; }
    std::int32_t GetStackPoints(std::int32_t column) const;
    const Deck& GetDeck() const { return *deck; }
    const StackRow& GetStackRow() const { return *stackRow; }
    const Rect& GetRowRect() const { return rowRect; }

private:
    void Land();
    void CheckLanding();
    void PlaceCard(GameDC& dc);
    void MoveSideways(std::int32_t direction);

    void PaintScore(DeviceContext& dc);
    void PaintDeckCount(DeviceContext& dc);
    void PaintStackPoints(DeviceContext& dc, bool erase);

    GameDC MakeGameDC(DeviceContext& dc) const;
    std::int32_t ColumnPitch() const;
    std::int32_t ColumnX(std::int32_t column) const;

    BoardHost& host;
    std::unique_ptr<Deck> deck;
    std::unique_ptr<StackRow> stackRow;
    Rect rowRect;
    Rect clientRect;
    std::int32_t column = -1;
    std::int32_t startColumn = 0;
    std::int32_t startX = 0;
    std::int32_t dealY = 0;
    std::int32_t score = 0;
    std::int32_t level = 0;
    std::int32_t cardsThisLevel = 0;
    std::array<std::int32_t, kColumns> stackPoints{};
    std::array<std::int32_t, kColumns> pointsCountdown{};
    // How far a kept falling card had fallen, until the first paint puts it
    // back over its column.
    std::optional<std::int32_t> keptFall;
    // The popup of a new level is up: the level has not yet turned.
    bool advancing = false;
};

} // namespace tw
