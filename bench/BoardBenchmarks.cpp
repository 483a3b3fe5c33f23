// How long the board's operations take in the client areas players see: the
// default window; maximised on 1366 x 768 (zoomed 1.7, drawn at twice the
// pixels); on 1920 x 1080 at 125 % (zoomed 2, 2.5 device pixels to the
// logical one, drawn at three); on 2560 x 1440 (3.3, drawn at four); and on a
// 4K screen at 200 % (4.9, drawn at five). The falling card moves with a
// save-under buffer, so a tick or a move costs a few copies of a card's pixels
// at any window size; only a full repaint grows with the window.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "model/Board.h"
#include "model/Random.h"
#include "platform/GuiSession.h"
#include "support/CardBuilders.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

// A new game in a client area of the benchmark's size, with random cards so
// the deck never runs out.
class Fixture {
public:
    explicit Fixture(const benchmark::State& state)
        : scope([](Settings& s) { s.OneDeck = 0; s.SwapMode = 1; }),
          host(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)))
    {
        SeedRandom(1);
        host.NewBoard();
    }

    Board& board() { return *host.board; }

    // Starts afresh, outside the measured time, once recordings pile up.
    void Restart(benchmark::State& state, std::unique_ptr<Deck> deck = nullptr)
    {
        state.PauseTiming();
        host.sound.tones.clear();
        host.sleeps.clear();
        host.NewBoard(std::move(deck));
        state.ResumeTiming();
    }

    test::SettingsScope scope;
    test::FakeBoardHost host;
};

void WindowSizes(benchmark::internal::Benchmark* benchmark)
{
    // Logical width, height and device scale.
    benchmark->Args({638, 428, 1})->Args({801, 428, 2})->Args({780, 428, 3})->Args({776, 428, 4})->Args({777, 428, 5});
    benchmark->ArgNames({"w", "h", "scale"})->Unit(benchmark::kMicrosecond);
}

void Tick(benchmark::State& state)
{
    Fixture game(state);
    int ticks = 0;
    for (auto _ : state) {
        game.board().Tick();
        if (++ticks == 20) { // well before the card lands
            ticks = 0;
            game.Restart(state);
        }
    }
}
BENCHMARK(Tick)->Apply(WindowSizes);

void MoveLeftAndRight(benchmark::State& state)
{
    Fixture game(state);
    for (auto _ : state) {
        game.board().MoveLeft();
        game.board().MoveRight();
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(MoveLeftAndRight)->Apply(WindowSizes);

void Swap(benchmark::State& state)
{
    Fixture game(state);
    for (auto _ : state) {
        game.board().Swap();
    }
}
BENCHMARK(Swap)->Apply(WindowSizes);

// From the deal position onto an empty stack, landing included; the drop's
// pauses between steps are not slept here.
void Drop(benchmark::State& state)
{
    Fixture game(state);
    for (auto _ : state) {
        game.board().Drop();
        game.Restart(state);
    }
}
BENCHMARK(Drop)->Apply(WindowSizes);

// The third of three kings lands and the meld collapses with its tones
// recorded, not played.
void LandingWithCollapse(benchmark::State& state)
{
    Fixture game(state);
    settings.OneDeck = 1; // deal from the prepared deck
    const auto threeKings = [] { return test::DeckOf({"KC", "KD", "KS"}); };
    game.host.NewBoard(threeKings());
    for (auto _ : state) {
        state.PauseTiming();
        game.board().Drop();
        game.board().Drop();
        state.ResumeTiming();
        game.board().Drop();
        game.Restart(state, threeKings());
    }
}
BENCHMARK(LandingWithCollapse)->Apply(WindowSizes);

// The least a falling card can cost: one copy of a card's pixels between the
// client area and a bitmap of its own. A tick makes about one (the card, and
// a strip put back and saved); a move to the next column three (put back,
// save, draw), all bound by the memory's speed at large scales.
void CardSizedCopy(benchmark::State& state)
{
    Fixture game(state);
    ClientDC& screen = game.host.dc;
    MemoryDC memory(screen);
    Bitmap saved = CreateCompatibleBitmap(screen, game.host.painter.CardWidth(), game.host.painter.CardHeight());
    memory.SelectBitmap(&saved);
    for (auto _ : state) {
        memory.BitBlt(0, 0, saved.Width(), saved.Height(), screen, 100, 100, RasterOp::SrcCopy);
    }
}
BENCHMARK(CardSizedCopy)->Apply(WindowSizes);

void Paint(benchmark::State& state)
{
    Fixture game(state);
    for (int i = 0; i < 30; ++i) {
        game.board().Drop(); // a playfield with cards on it
        game.board().MoveRight();
    }
    for (auto _ : state) {
        game.host.PaintWindow();
    }
}
BENCHMARK(Paint)->Apply(WindowSizes);

} // namespace
} // namespace tw

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    tw::GuiSession session;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
