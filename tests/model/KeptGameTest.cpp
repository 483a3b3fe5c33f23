#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/Board.h"
#include "model/Deck.h"
#include "model/KeptGame.h"
#include "model/Random.h"
#include "support/FakeBoardHost.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

// Plays a game with random input the way the shell passes it on; a full
// level advances as the shell does it.
struct Player {
    Player(int width = 640, int height = 460, int scale = 1) : host(width, height, scale)
    {
        host.window.onCommand = [this](int) { host.board->AdvanceLevel(); };
    }

    void Start(std::unique_ptr<Board> board)
    {
        host.board = std::move(board);
        host.gameOverReasons.clear();
        host.board->Paint(host.dc); // the first paint; the background does not matter here
    }

    // A tick, a key or, now and then, a level advance; returns the input's number.
    int Step(std::mt19937& random, int input = -1)
    {
        static constexpr int kUpTo[] = {25, 33, 41, 76, 96, 100}; // percent: tick, left, right, drop, swap, level
        if (input < 0) {
            const int percent = static_cast<int>(random() % 100);
            for (input = 0; kUpTo[input] <= percent; ++input) {}
        }
        Board& board = *host.board;
        switch (input) {
        case 0: board.Tick(); break;
        case 1: board.MoveLeft(); break;
        case 2: board.MoveRight(); break;
        case 3: board.Drop(); break;
        case 4: board.Swap(); break;
        default: board.AdvanceLevel(); break;
        }
        return input;
    }

    // The game as kept after a step, the tones of the step and how the game
    // ended; a game still running is one that may be kept.
    using Shown = std::tuple<std::string, std::vector<test::Tone>, std::vector<GameOverReason>>;
    Shown Seen()
    {
        Shown shown{KeptGameText(host.board->Keep()), std::move(host.sound.tones), host.gameOverReasons};
        host.sound.tones.clear();
        EXPECT_TRUE(host.IsGameOver() || ParseKeptGame(std::get<0>(shown))) << std::get<0>(shown);
        return shown;
    }

    test::FakeBoardHost host;
};

// A text with its check made anew, as a damaged store could hold it.
std::string Rechecked(const std::string& body)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : body) { hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u; }
    char check[16];
    return body + std::string(check, static_cast<std::size_t>(std::snprintf(check, sizeof check, " %08x", hash)));
}

std::string Body(const std::string& text) { return text.substr(0, text.size() - 9); }

void UseRules(const GameRules& rules)
{
    std::tie(settings.SwapMode, settings.OneDeck, settings.EndOnShuffle, settings.LastStack, settings.UpDown,
             settings.CollapseRegime, settings.GetFaster, settings.ClearStacks) =
        std::tie(rules.SwapMode, rules.OneDeck, rules.EndOnShuffle, rules.LastStack, rules.UpDown,
                 rules.CollapseRegime, rules.GetFaster, rules.ClearStacks);
    settings.DeriveMinMeldLength();
}

// Under every rule combination a seeded game is kept at a random step, put
// back in a window of another size and scale, and played on with the same
// input: every step shows what the game would have shown without the break.
// Most games are kept within their first steps; some are played to their end.
class KeptGameUnder : public ::testing::TestWithParam<int> {};

TEST_P(KeptGameUnder, EachSwapRuleGoesOnCardForCardAndToneForTone)
{
    test::SettingsScope scope;
    Player before, after[]{{760, 540}, {700, 480, 2}};
    for (int combination = 0; combination < 3 * 2 * 2 * 2 * 3 * 2 * 2; ++combination) {
        int n = combination;
        const auto next = [&n](int count) { const int value = n % count; n /= count; return value; };
        UseRules({GetParam(), next(3), next(2), next(2), next(2) != 0 ? -1 : 1, 1 + next(3), next(2), next(2)});
        std::mt19937 random(combination);
        SeedRandom(combination);
        auto board = std::make_unique<Board>(before.host);
        const bool beforeFirstPaint = combination % 13 == 0;
        const std::string unplaced = KeptGameText(board->Keep());
        before.Start(std::move(board));
        std::vector<Player::Shown> seen{before.Seen()};
        std::vector<int> inputs;
        for (int steps = combination % 24 == 23 ? 400 : 16; steps-- > 0 && !before.host.IsGameOver();) {
            inputs.push_back(before.Step(random));
            seen.push_back(before.Seen());
        }
        const int from = beforeFirstPaint ? 0 : static_cast<int>(random() % inputs.size());
        const std::optional<KeptGame> game = ParseKeptGame(beforeFirstPaint ? unplaced : std::get<0>(seen[from]));
        ASSERT_TRUE(game) << combination;
        Player& player = after[combination % 16 == 0 ? 1 : 0];
        player.Start(std::make_unique<Board>(player.host, *game));
        ASSERT_EQ(std::get<0>(player.Seen()), std::get<0>(seen[from])) << "combination " << combination << " kept at " << from;
        for (int step = from; step < static_cast<int>(inputs.size()); ++step) {
            player.Step(random, inputs[step]);
            ASSERT_EQ(player.Seen(), seen[step + 1]) << "combination " << combination << " step " << step;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SwapMode, KeptGameUnder, ::testing::Range(1, 5));

// The session may end while the popup of a new level is up, its card dealt
// but not yet placed. That game is kept as the new level will stand once the
// popup has gone, its stacks cleared when the rules clear them: put back, it
// shows what the game showed after the popup, and plays on alike.
TEST(KeptGame, KeptDuringANewLevelsPopupGoesOnAsTheLevelAfterIt)
{
    test::SettingsScope scope;
    int dealtUnplaced = 0;
    for (const auto& [clear, last] : {std::pair{0, 0}, {1, 0}, {1, 1}}) {
        UseRules({1, 1, 0, last, 1, 1, 1, clear});
        Player before, after{760, 540};
        std::optional<std::string> duringPopup;
        before.host.onLevelAdvance = [&] { duringPopup = KeptGameText(before.host.board->Keep()); };
        std::mt19937 random(11 + clear + last);
        SeedRandom(11 + clear + last);
        before.Start(std::make_unique<Board>(before.host));
        before.Seen();
        for (int steps = 0; steps < 600 && !before.host.IsGameOver(); ++steps) {
            duringPopup.reset();
            // Mostly each card dropped on the next column, to fill levels.
            Board& board = *before.host.board;
            if (steps % 4 == 0) {
                before.Step(random);
            } else {
                while (board.GetColumn() > steps % 7) { board.MoveLeft(); }
                while (board.GetColumn() < steps % 7) { board.MoveRight(); }
                board.Drop();
            }
            const Player::Shown shown = before.Seen();
            if (!duringPopup || before.host.IsGameOver()) {
                continue;
            }
            const std::optional<KeptGame> game = ParseKeptGame(*duringPopup);
            ASSERT_TRUE(game) << *duringPopup;
            dealtUnplaced += game->placed ? 0 : 1;
            after.Start(std::make_unique<Board>(after.host, *game));
            ASSERT_EQ(std::get<0>(after.Seen()), std::get<0>(shown)) << "step " << steps;
            const std::uint32_t state = RandomState();
            for (Player* game : {&after, &before}) {
                SeedRandom(state);
                game->host.board->Tick(), game->host.board->Swap(), game->host.board->Drop();
            }
            ASSERT_EQ(after.Seen(), before.Seen()) << "step " << steps;
        }
    }
    EXPECT_GT(dealtUnplaced, 0) << "no level filled up";
}

// Kept texts damaged at random: bytes flipped, cut short, lengthened, and
// words replaced, dropped or doubled under a check made anew, so that every
// range is tried, not only the check. None does harm, and a board put back
// from any text taken is the same game and plays on as one that may be kept.
TEST(KeptGame, ADamagedTextIsTurnedAwayOrPlaysOnAsAGameThatCanBe)
{
    test::SettingsScope scope;
    Player player;
    std::mt19937 random(29);
    std::vector<std::string> texts;
    for (const GameRules& rules : {GameRules{2, 1, 0, 0, 1, 1, 0, 0}, {3, 2, 1, 1, -1, 3, 1, 1}, {1, 2, 0, 1, 1, 2, 1, 0},
                                   {9, 5, 7, 2, -1, 4, 3, 6}}) {
        UseRules(rules);
        SeedRandom(random());
        player.Start(std::make_unique<Board>(player.host));
        for (int step = 0; step < 60 && !player.host.IsGameOver(); ++step) {
            texts.push_back(KeptGameText(player.host.board->Keep()));
            player.Step(random);
        }
    }
    const std::vector<std::string> odd{"-1", "-2147483648", "2147483647", "2147483648", "4294967296", "007", "-0", "+1",
                                       "12", "13", "14", "32", "51", "52", "63", "103", "104", "288", "x", ""};
    const auto any = [&](std::size_t size) { return random() % std::max<std::size_t>(size, 1); };
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = texts[any(texts.size())], body = Body(text);
        std::vector<std::string> words;
        std::istringstream split(body);
        for (std::string word; std::getline(split, word, ' ');) { words.push_back(word); }
        const std::size_t i = any(words.size());
        switch (round % 8) {
        case 0: text[any(text.size())] ^= static_cast<char>(1 + any(255)); break;
        case 1: text.resize(any(text.size())); break;
        case 2: text += " " + odd[any(odd.size())]; break;
        case 3: body[any(body.size())] ^= static_cast<char>(1 + any(255)); text = Rechecked(body); break;
        case 4: words.erase(words.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case 5: words.insert(words.begin() + static_cast<std::ptrdiff_t>(i), words[any(words.size())]); break;
        case 6: words[i] = odd[any(odd.size())]; break;
        default: words[i] = std::to_string(static_cast<int>(any(130)) - 10); break;
        }
        if (round % 8 >= 4) {
            text.clear();
            for (const std::string& word : words) { text += (text.empty() ? "" : " ") + word; }
            text = Rechecked(text);
        }
        const std::optional<KeptGame> game = ParseKeptGame(text);
        if (!game) { continue; }
        ++accepted;
        UseRules(game->rules);
        player.Start(std::make_unique<Board>(player.host, *game));
        EXPECT_TRUE(!game->placed || KeptGameText(player.host.board->Keep()) == text) << text;
        for (int step = accepted % 10 == 0 ? 300 : 20; step-- > 0 && !player.host.IsGameOver();) {
            player.Step(random);
            player.Seen();
        }
    }
    EXPECT_GT(accepted, 200) << "the ranges were tried";
}

// One change to a game play can reach, written with a check of its own.
// Accepted at the edge of what play reaches, turned away one step past it.
TEST(KeptGame, TurnsAwayWhatPlayCannotReach)
{
    test::SettingsScope scope;
    UseRules({2, 1, 1, 0, 1, 1, 1, 0});
    Player player;
    SeedRandom(4);
    player.Start(std::make_unique<Board>(player.host));
    for (void (Board::*input)() : {&Board::Drop, &Board::Drop, &Board::Drop, &Board::Tick, &Board::Tick}) {
        (player.host.board.get()->*input)();
    }
    const KeptGame base = player.host.board->Keep();
    ASSERT_EQ(std::tuple(base.column, base.fallen, base.stacks[3].size(), base.deck.pileTop), std::tuple(3, 24, 3u, 47));
    const std::vector<CardCode> noMeld{0, 8, 16, 24, 32, 40, 48, 5, 13, 21, 29, 37, 45}; // AC 3C .. KC 2D .. QD
    using Change = std::function<void(KeptGame&)>;
    for (const auto& [kept, change] : std::vector<std::pair<bool, Change>>{
             {true, [&](KeptGame& g) {
                  // Rule values as stored and played, the last period before they come round, a
                  // countdown just begun, a level and a score far out, and a stack of thirteen.
                  std::tie(g.rules.OneDeck, g.rules.SwapMode, g.rules.GetFaster, g.dropInterval) = std::tuple(7, 9, 5, 63);
                  std::tie(g.pointsCountdown[0], g.level, g.score, g.stacks[0]) = std::tuple(7, 1 << 30, -5, noMeld);
              }},
             {false, [&](KeptGame& g) { g.stacks[0] = noMeld; g.stacks[0].push_back(6); }},
             {false, [](KeptGame& g) { g.rules.UpDown = 0; }},
             {false, [](KeptGame& g) { g.stacks[1] = {52}; }},
             {false, [](KeptGame& g) { g.deck.pile[103] = -1; }},
             {false, [](KeptGame& g) { std::tie(g.fallingCard, g.rules.SwapMode, g.rules.OneDeck) = std::tuple(52, 1, 2); }},
             {false, [](KeptGame& g) { g.column = 7; }},
             {false, [](KeptGame& g) { g.column = -1; }},
             {false, [](KeptGame& g) { g.placed = false; }},
             {false, [](KeptGame& g) { std::tie(g.placed, g.fallen, g.column) = std::tuple(false, 0, 7); }},
             {false, [](KeptGame& g) { g.deck.pile[47] = g.fallingCard; }},
             {false, [](KeptGame& g) { std::tie(g.deck.pileTop, g.rules.OneDeck) = std::tuple(104, 2); }},
             {false, [](KeptGame& g) { std::tie(g.deck.pileTop, g.rules.OneDeck) = std::tuple(-2, 2); }},
             {false, [](KeptGame& g) { g.rules.OneDeck = 0; }},
             {false, [](KeptGame& g) { g.deck.reshuffled = 2; }},
             {false, [](KeptGame& g) { g.rules.OneDeck = 2; g.deck.perfectEnd = g.deck.reshuffled = 1; }},
             {false, [](KeptGame& g) { g.rules.OneDeck = 2; g.deck.perfectCount = 33; }},
             {false, [](KeptGame& g) { g.rules.OneDeck = 2; g.deck.perfectCount = -1; }},
             {false, [](KeptGame& g) { std::tie(g.rules.OneDeck, g.deck.perfectCount, g.deck.perfectEnd) = std::tuple(2, 32, 1); }},
             {false, [](KeptGame& g) { g.deck.perfectCount = 5; }},
             {false, [](KeptGame& g) { g.deck.pile[48] = (g.fallingCard + 1) % 52; }},
             {false, [](KeptGame& g) { g.stacks[1] = {48, 49, 50, 0}; }},
             {false, [](KeptGame& g) { g.cardsThisLevel = -1; }},
             {false, [](KeptGame& g) { g.cardsThisLevel = 52; }},
             {false, [](KeptGame& g) { g.level = -1; }},
             {false, [](KeptGame& g) { g.dropInterval = 700; }},
             {false, [](KeptGame& g) { g.rules.GetFaster = 0; g.dropInterval = 600; }},
             {false, [](KeptGame& g) { g.pointsCountdown[0] = 8; }},
             {false, [](KeptGame& g) { g.pointsCountdown[0] = -1; }},
             {false, [](KeptGame& g) { g.stackPoints[0] = 30; }},
             {false, [](KeptGame& g) { g.fallen += 6; }},
             {false, [](KeptGame& g) { g.fallen = 288 - 3 * 24; }},
             {false, [](KeptGame& g) { g.fallen = -12; }}}) {
        KeptGame game = base;
        change(game);
        const std::string text = KeptGameText(game);
        EXPECT_EQ(ParseKeptGame(text).has_value(), kept) << text;
    }
    // The words themselves: another version, one word more or less, a number
    // written otherwise, a space too many, a check that does not match.
    const std::string text = KeptGameText(base), body = Body(text);
    const auto replaced = [&](std::string_view from, std::string_view to) {
        return Rechecked(body.substr(0, body.find(from)) + std::string(to) + body.substr(body.find(from) + from.size()));
    };
    for (const std::string& bad : {replaced("game 1 ", "game 2 "), Rechecked(body + " 0"), Rechecked(body.substr(0, body.rfind(' '))),
                                   replaced("score ", "score 0"), replaced(" pile", "  pile"), body + " 00000000"}) {
        EXPECT_FALSE(ParseKeptGame(bad)) << bad;
    }
    EXPECT_EQ(ParseKeptGame(text), base);
    EXPECT_EQ(KeptGameText(Board(player.host, base).Keep()), text) << "kept again before its first paint";
    KeptGame last = base; // the level count stops at the end of its range
    last.level = std::numeric_limits<std::int32_t>::max();
    Board lastLevel(player.host, last);
    lastLevel.AdvanceLevel();
    EXPECT_EQ(lastLevel.GetLevel(), last.level);
}

}  // namespace
}  // namespace tw
