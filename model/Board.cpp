#include "model/Board.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "model/BoardHost.h"
#include "model/Deck.h"
#include "model/KeptGame.h"
#include "model/Random.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "platform/DeviceContext.h"
#include "platform/Window.h"
#include "presentation/CardPainter.h"
#include "settings/Settings.h"

namespace tw {
namespace {

constexpr std::int32_t kColumnGap = 20;

// Scores have no bound in the rules; they stop at the ends of their range
// rather than wrapping round.
std::int32_t Clamped(double value)
{
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, lowest, highest));
}

std::int32_t Sum(std::int32_t a, std::int32_t b)
{
    return Clamped(static_cast<double>(a) + b);
}

} // namespace

// Each level with speed-up on takes 200 ms off the drop period down to
// 200 ms, then a quarter at a time; past 75 ms it starts again at 200.
std::int32_t Board::FasterInterval(std::int32_t interval)
{
    if (interval > 200) {
        return interval - 200;
    }
    if (interval > 75) {
        return interval * 3 / 4;
    }
    return 200;
}

Board::Board(BoardHost& host) : Board(host, std::make_unique<Deck>()) {}

Board::Board(BoardHost& host, std::unique_ptr<Deck> dealer) : host(host), deck(std::move(dealer))
{
    settings.dropInterval = kFirstDropInterval;
    // The first deal always shuffles; with a deck that ends the game on a
    // shuffle its answer would be "over", which does not count yet.
    deck->Deal();
    stackRow = std::make_unique<StackRow>(host.Cards().CardWidth(), host.Cards().CardHeight());
    stackRow->CreateStacks();
}

Board::Board(BoardHost& host, const KeptGame& kept)
    : host(host), deck(std::make_unique<Deck>(kept.deck, kept.fallingCard)), column(kept.column),
      score(kept.score), level(kept.level), cardsThisLevel(kept.cardsThisLevel), stackPoints(kept.stackPoints),
      pointsCountdown(kept.pointsCountdown)
{
    settings.dropInterval = kept.dropInterval;
    SeedRandom(kept.randomState);
    stackRow = std::make_unique<StackRow>(host.Cards().CardWidth(), host.Cards().CardHeight());
    stackRow->CreateStacks();
    for (std::int32_t i = 0; i < kColumns; ++i) {
        for (const CardCode code : kept.stacks[static_cast<std::size_t>(i)]) {
            stackRow->PushCard(i, std::make_unique<Card>(code));
        }
    }
    if (kept.placed) {
        keptFall = kept.fallen;
    }
}

Board::~Board() = default;

KeptGame Board::Keep() const
{
    KeptGame kept;
    kept.rules = GameRules::Current();
    kept.randomState = RandomState();
    for (std::int32_t i = 0; i < kColumns; ++i) {
        // The stack links its cards from the top down.
        const Stack& stack = *stackRow->GetStack(i);
        auto& cards = kept.stacks[static_cast<std::size_t>(i)];
        for (const CardNode* node = stack.GetTopNode(); node != stack.GetBaseNode(); node = node->GetNext()) {
            cards.insert(cards.begin(), node->GetCard()->GetCode());
        }
    }
    kept.deck = deck->Keep();
    kept.fallingCard = deck->FallingCode();
    kept.column = column;
    const CardSprite& sprite = deck->Sprite();
    kept.placed = keptFall || sprite.GetX() != 0 || sprite.GetY() != 0;
    if (kept.placed) {
        kept.fallen = keptFall ? *keptFall : (sprite.GetY() - dealY) * settings.UpDown;
    }
    kept.score = score;
    kept.level = level;
    kept.cardsThisLevel = cardsThisLevel;
    kept.dropInterval = settings.dropInterval;
    kept.stackPoints = stackPoints;
    kept.pointsCountdown = pointsCountdown;
    if (advancing) {
        // Kept while the popup of a new level is up, as a session that ends
        // then keeps it: kept as the new level will stand once the popup has
        // gone, the stacks cleared when the rules clear them (their tones are
        // not heard again), so that it goes on as the game would have.
        if (settings.ClearStacks != 0) {
            for (std::vector<CardCode>& cards : kept.stacks) {
                for (const CardCode code : cards) {
                    kept.score = Sum(kept.score, -Stack::ClearingValue(code));
                }
                cards.clear();
            }
        }
        if (kept.level < std::numeric_limits<std::int32_t>::max()) {
            ++kept.level;
        }
        kept.cardsThisLevel = 0;
    }
    return kept;
}

GameDC Board::MakeGameDC(DeviceContext& dc) const
{
    return GameDC{dc, host.Cards(), host.Sound()};
}

std::int32_t Board::ColumnPitch() const { return host.Cards().CardWidth() + kColumnGap; }

std::int32_t Board::ColumnX(std::int32_t atColumn) const
{
    return startX + (atColumn - startColumn) * ColumnPitch();
}

std::int32_t Board::DistanceToLanding(std::int32_t x, std::int32_t y, std::int32_t atColumn) const
{
    return stackRow->DistanceToLanding(x, y, atColumn);
}

double Board::Multiplier() const
{
    return settings.GetFaster != 0 ? 1.0 + 0.25 * level : 1.0;
}

void Board::AddScore(std::int32_t points) { score = Sum(score, points); }

std::int32_t Board::GetStackPoints(std::int32_t atColumn) const
{
    return atColumn >= 0 && atColumn < kColumns ? stackPoints[atColumn] : 0;
}

void Board::PlaceCard(GameDC& dc)
{
    CardSprite& sprite = deck->Sprite();
    if (keptFall) {
        // A kept card goes back where it was on the playfield, whatever size
        // the window now has; it had room there.
        sprite.SetPosition(ColumnX(column), dealY + *keptFall * settings.UpDown);
        keptFall.reset();
    } else if (sprite.GetX() != 0 || sprite.GetY() != 0) {
        // Placed before: after a resize it moves over its column's new x.
        sprite.SetPosition(ColumnX(column), sprite.GetY());
    } else {
        if (settings.LastStack == 0 || column == -1) {
            column = startColumn;
        }
        sprite.SetPosition(ColumnX(column), dealY);
    }
    if (host.IsGameOver()) {
        return;
    }
    sprite.Show(dc);
    if (DistanceToLanding(sprite.GetX(), sprite.GetY(), column) <= 0) {
        host.GameOver(GameOverReason::NoRoom);
    }
}

void Board::Tick()
{
    {
        ClientDC client(host.GameWindow().ClientArea());
        GameDC dc = MakeGameDC(client);
        deck->Sprite().MoveBy(0, kTickStep * settings.UpDown, &dc);
        for (std::int32_t i = 0; i < kColumns; ++i) {
            if (pointsCountdown[i] != 0 && --pointsCountdown[i] == 0) {
                stackPoints[i] = 0;
                PaintStatus(client, true);
            }
        }
    }
    CheckLanding();
}

void Board::CheckLanding()
{
    const CardSprite& sprite = deck->Sprite();
    if (DistanceToLanding(sprite.GetX(), sprite.GetY(), column) == 0) {
        Land();
    }
}

void Board::MoveLeft() { MoveSideways(-1); }

void Board::MoveRight() { MoveSideways(+1); }

void Board::MoveSideways(std::int32_t direction)
{
    const std::int32_t target = column + direction;
    if (target < 0 || target > stackRow->GetCount() - 1) {
        return;
    }
    CardSprite& sprite = deck->Sprite();
    const std::int32_t distance = DistanceToLanding(sprite.GetX(), sprite.GetY(), target);
    if (distance < 0) {
        return; // the neighbouring stack reaches past the card
    }
    {
        ClientDC client(host.GameWindow().ClientArea());
        GameDC dc = MakeGameDC(client);
        sprite.MoveBy(direction * ColumnPitch(), 0, &dc);
        column = target;
    }
    if (distance == 0) {
        Land();
    }
}

void Board::Drop()
{
    {
        ClientDC client(host.GameWindow().ClientArea());
        GameDC dc = MakeGameDC(client);
        CardSprite& sprite = deck->Sprite();
        const std::int32_t target = stackRow->LandingY(column);
        const std::int32_t x = sprite.GetX();
        for (std::int32_t y = sprite.GetY(); (target - y) * settings.UpDown > 0; y += kDropStep * settings.UpDown) {
            sprite.MoveTo(x, y, &dc);
            host.Sleep(10);
        }
        sprite.MoveTo(x, target, &dc);
    }
    Land();
}

void Board::Swap()
{
    deck->Swap();
    ClientDC client(host.GameWindow().ClientArea());
    GameDC dc = MakeGameDC(client);
    deck->Sprite().Redraw(dc);
}

void Board::Land()
{
    ClientDC client(host.GameWindow().ClientArea());
    GameDC dc = MakeGameDC(client);

    stackRow->PushCard(column, deck->Sprite().TakeCard());
    score = Sum(score, Clamped(Multiplier() * 1.0));
    ++cardsThisLevel;

    const std::int32_t n = stackRow->MeldLength(column);
    // A rule set the game does not know finds no melds; its minimum length
    // of 0 must not make every landing a meld of nothing.
    if (n > 0 && n >= settings.minMeldLength) {
        const std::int32_t value = stackRow->Collapse(dc, column, n, deck.get());
        const std::int32_t points = Clamped(value * Multiplier());
        stackPoints[column] = points;
        pointsCountdown[column] = kPointsShownTicks;
        score = Sum(score, points);
    }

    if (deck->Deal()) {
        if (cardsThisLevel >= kCardsPerLevel) {
            // The level advances before the next card is placed.
            host.GameWindow().SendCommand(CommandLevelComplete);
        }
        PlaceCard(dc);
        PaintStatus(client, false);
    } else {
        deck->SetPileTop(Deck::EndedPileTop);
        PaintStatus(client, false);
        host.GameOver(deck->EndReason());
    }
}

void Board::AdvanceLevel()
{
    Window& window = host.GameWindow();
    window.KillTimer(kDropTimer);
    if (settings.GetFaster != 0) {
        settings.dropInterval = FasterInterval(settings.dropInterval);
    }
    advancing = true;
    host.ShowLevelAdvance();
    advancing = false;
    if (settings.ClearStacks != 0) {
        ClientDC client(window.ClientArea());
        GameDC dc = MakeGameDC(client);
        score = Sum(score, -stackRow->ClearAll(dc));
        PaintStatus(client, false);
    }
    window.SetTimer(kDropTimer, settings.dropInterval);
    // Levels have no bound either; the count stops at the end of its range.
    if (level < std::numeric_limits<std::int32_t>::max()) {
        ++level;
    }
    cardsThisLevel = 0;
}

} // namespace tw
