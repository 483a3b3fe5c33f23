#include "model/KeptGame.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <memory>
#include <system_error>

#include "model/Board.h"
#include "model/Deck.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "settings/Settings.h"

namespace tw {
namespace {

// The first words of the text; a text of another format or version is not
// read at all.
constexpr std::string_view kFormat = "tumblewick-game";
constexpr std::int32_t kVersion = 1;
// Far longer than any kept game; a longer text is not even split up.
constexpr std::size_t kLongestText = 4096;

// A card level with the deal line can still slide sideways onto a stack that
// reaches it, as its thirteenth card; no card gets past a stack of thirteen.
constexpr std::int32_t kTallestStack = StackRow::kDealDistance / Stack::CardStep + 1;

// FNV-1a: one flipped bit anywhere changes it.
std::uint32_t Check(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

// A space, then the check as eight hex digits.
std::string CheckText(std::string_view text)
{
    char check[16];
    std::snprintf(check, sizeof check, " %08x", static_cast<unsigned>(Check(text)));
    return check;
}

void Append(std::string& text, std::int64_t value)
{
    char number[24] = {' '};
    const auto written = std::to_chars(number + 1, number + sizeof number, value);
    text.append(number, written.ptr);
}

// The words of a text between single spaces, read one at a time; any word
// missing or not a number in range fails the whole reading.
class Words {
public:
    explicit Words(std::string_view text) : rest(text) {}

    bool Word(std::string_view expected) { return Next() == expected; }

    template <typename Number>
    bool Read(Number& value)
    {
        const std::string_view word = Next();
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        return !word.empty() && error == std::errc() && end == word.data() + word.size();
    }

    bool Read(bool& value)
    {
        std::int32_t flag = 0;
        if (!Read(flag) || (flag != 0 && flag != 1)) {
            return false;
        }
        value = flag != 0;
        return true;
    }

    template <typename Number, std::size_t N>
    bool Read(std::array<Number, N>& values)
    {
        return std::all_of(values.begin(), values.end(), [this](Number& value) { return Read(value); });
    }

    bool AtEnd() const { return finished; }

private:
    std::string_view Next()
    {
        if (finished) {
            return {};
        }
        const std::size_t space = rest.find(' ');
        const std::string_view word = rest.substr(0, space);
        finished = space == std::string_view::npos;
        rest = finished ? std::string_view() : rest.substr(space + 1);
        return word;
    }

    std::string_view rest;
    bool finished = false;
};

// Each rule beside the setting it is played from, in the order of the text.
struct RuleField {
    std::int32_t GameRules::*rule;
    std::int32_t Settings::*setting;
};
constexpr RuleField kRuleFields[] = {
    {&GameRules::SwapMode, &Settings::SwapMode},   {&GameRules::OneDeck, &Settings::OneDeck},
    {&GameRules::EndOnShuffle, &Settings::EndOnShuffle}, {&GameRules::LastStack, &Settings::LastStack},
    {&GameRules::UpDown, &Settings::UpDown},       {&GameRules::CollapseRegime, &Settings::CollapseRegime},
    {&GameRules::GetFaster, &Settings::GetFaster}, {&GameRules::ClearStacks, &Settings::ClearStacks},
};

bool ReadFields(Words& words, KeptGame& game)
{
    KeptDeck& d = game.deck;
    std::int32_t version = 0;
    if (!words.Word(kFormat) || !words.Read(version) || version != kVersion || !words.Word("rules") ||
        !std::all_of(std::begin(kRuleFields), std::end(kRuleFields),
                     [&](const RuleField& field) { return words.Read(game.rules.*field.rule); }) ||
        !words.Word("random") || !words.Read(game.randomState) || !words.Word("stacks")) {
        return false;
    }
    for (std::vector<CardCode>& stack : game.stacks) {
        std::int32_t count = 0;
        if (!words.Read(count) || count < 0 || count > kTallestStack) {
            return false;
        }
        stack.resize(static_cast<std::size_t>(count));
        if (!std::all_of(stack.begin(), stack.end(), [&](CardCode& code) { return words.Read(code); })) {
            return false;
        }
    }
    return words.Word("pile") && words.Read(d.pile) && words.Read(d.pileTop) && words.Read(d.reshuffled) &&
           words.Read(d.perfectEnd) && words.Read(d.perfectCount) && words.Word("falling") &&
           words.Read(game.fallingCard) && words.Read(game.column) && words.Read(game.placed) &&
           words.Read(game.fallen) && words.Word("score") && words.Read(game.score) && words.Read(game.level) &&
           words.Read(game.cardsThisLevel) && words.Read(game.dropInterval) && words.Word("points") &&
           words.Read(game.stackPoints) && words.Read(game.pointsCountdown) && words.AtEnd();
}

bool IsCard(CardCode code) { return code >= 0 && code < Deck::FreshCards; }

bool IsFlag(std::int32_t value) { return value == 0 || value == 1; }

// How the deck plays each stored kind: 0 random cards, 2 a pile that takes
// collapsed cards back, anything else a plain pile.
enum class DeckKind { Random, Pile, TakesBack };

DeckKind KindOf(const GameRules& rules)
{
    return rules.OneDeck == 0 ? DeckKind::Random : rules.OneDeck == 2 ? DeckKind::TakesBack : DeckKind::Pile;
}

// Meld detection reads the rule set from the settings; a stack is judged
// under the kept one, and the settings get theirs back.
class RuleSetLent {
public:
    explicit RuleSetLent(std::int32_t collapseRegime) : saved(settings)
    {
        settings.CollapseRegime = collapseRegime;
        settings.minMeldLength = 0;
        settings.DeriveMinMeldLength();
    }
    ~RuleSetLent() { settings = saved; }
    RuleSetLent(const RuleSetLent&) = delete;
    RuleSetLent& operator=(const RuleSetLent&) = delete;

private:
    Settings saved;
};

// Every card that stays on a stack survived its own landing, so no stack,
// nor any part of it from the bottom up, ends in a meld that would collapse.
bool StacksCanBe(const KeptGame& game)
{
    const RuleSetLent lent(game.rules.CollapseRegime);
    for (const std::vector<CardCode>& cards : game.stacks) {
        Stack stack;
        for (const CardCode code : cards) {
            if (!IsCard(code)) {
                return false;
            }
            stack.PushCard(std::make_unique<Card>(code));
            const std::int32_t meld = stack.MeldLength();
            if (meld > 0 && meld >= settings.minMeldLength) {
                return false;
            }
        }
    }
    return true;
}

bool DeckCanBe(const KeptGame& game)
{
    const KeptDeck& d = game.deck;
    const DeckKind kind = KindOf(game.rules);
    if (!std::all_of(d.pile.begin(), d.pile.end(), IsCard) || !IsCard(game.fallingCard) || d.pileTop < -1 ||
        d.pileTop >= Deck::PileSize || !IsFlag(d.reshuffled) || !IsFlag(d.perfectEnd)) {
        return false;
    }
    if (kind == DeckKind::Random) {
        // Random cards never touch the pile.
        return d == KeptDeck{};
    }
    // Perfect matches are counted only where they end the game, up to the
    // one that does; that draw shuffled, and so does every later one.
    const bool counted = kind == DeckKind::TakesBack && game.rules.EndOnShuffle != 0;
    if (d.perfectCount < 0 || d.perfectCount > (counted ? Deck::PerfectMatchLimit : 0) ||
        d.perfectEnd != (d.perfectCount == Deck::PerfectMatchLimit ? 1 : 0) || (d.perfectEnd != 0 && d.reshuffled == 0)) {
        return false;
    }
    // The place above the top holds the card last dealt from it; only a
    // random or a cycle swap puts another card in its stead.
    const auto above = static_cast<std::size_t>(d.pileTop + 1);
    if (game.rules.SwapMode != 1 && game.rules.SwapMode != 3 && above < d.pile.size() &&
        d.pile[above] != game.fallingCard) {
        return false;
    }
    if (kind == DeckKind::Pile) {
        // One deck: the falling card and the rest of the pile are all different.
        std::bitset<Deck::FreshCards> seen;
        seen.set(static_cast<std::size_t>(game.fallingCard));
        for (std::size_t i = 0; i < above; ++i) {
            const auto code = static_cast<std::size_t>(d.pile[i]);
            if (seen.test(code)) {
                return false;
            }
            seen.set(code);
        }
    }
    return true;
}

// Not yet placed: before the first paint of a new game, or dealt while the
// popup of a new level was up, over the column of the card before it. Placed:
// over a column, on its way down in whole ticks and still short of its
// stack, or it would have landed.
bool FallingCardCanBe(const KeptGame& game)
{
    if (!game.placed) {
        return game.column >= -1 && game.column < Board::kColumns && game.fallen == 0;
    }
    if (game.column < 0 || game.column >= Board::kColumns) {
        return false;
    }
    const auto below = static_cast<std::int32_t>(game.stacks[static_cast<std::size_t>(game.column)].size());
    const std::int32_t distance = StackRow::kDealDistance - below * Stack::CardStep;
    return game.fallen >= 0 && game.fallen % Board::kTickStep == 0 && game.fallen < distance;
}

bool LevelCanBe(const KeptGame& game)
{
    if (game.level < 0 || game.cardsThisLevel < 0 || game.cardsThisLevel >= Board::kCardsPerLevel) {
        return false;
    }
    std::int32_t interval = Board::kFirstDropInterval;
    if (game.rules.GetFaster == 0) {
        return game.dropInterval == interval;
    }
    // The periods the levels give soon come round again.
    for (int level = 0; level < 16; ++level, interval = Board::FasterInterval(interval)) {
        if (game.dropInterval == interval) {
            return true;
        }
    }
    return false;
}

bool PointsCanBe(const KeptGame& game)
{
    for (std::size_t i = 0; i < KeptGame::kColumns; ++i) {
        const std::int32_t countdown = game.pointsCountdown[i];
        if (countdown < 0 || countdown > Board::kPointsShownTicks || (game.stackPoints[i] != 0 && countdown == 0)) {
            return false;
        }
    }
    return true;
}

bool PlayCanReach(const KeptGame& game)
{
    return (game.rules.UpDown == 1 || game.rules.UpDown == -1) && StacksCanBe(game) && DeckCanBe(game) &&
           FallingCardCanBe(game) && LevelCanBe(game) && PointsCanBe(game);
}

} // namespace

GameRules GameRules::Current()
{
    GameRules rules;
    for (const RuleField& field : kRuleFields) {
        rules.*field.rule = settings.*field.setting;
    }
    return rules;
}

std::string KeptGameText(const KeptGame& game)
{
    const KeptDeck& d = game.deck;
    std::string text(kFormat);
    text.reserve(1024);
    Append(text, kVersion);
    text += " rules";
    for (const RuleField& field : kRuleFields) {
        Append(text, game.rules.*field.rule);
    }
    text += " random";
    Append(text, game.randomState);
    text += " stacks";
    for (const std::vector<CardCode>& stack : game.stacks) {
        Append(text, static_cast<std::int64_t>(stack.size()));
        std::for_each(stack.begin(), stack.end(), [&](CardCode code) { Append(text, code); });
    }
    text += " pile";
    std::for_each(d.pile.begin(), d.pile.end(), [&](CardCode code) { Append(text, code); });
    for (const std::int32_t value : {d.pileTop, d.reshuffled, d.perfectEnd, d.perfectCount}) {
        Append(text, value);
    }
    text += " falling";
    for (const std::int32_t value : {game.fallingCard, game.column, game.placed ? 1 : 0, game.fallen}) {
        Append(text, value);
    }
    text += " score";
    for (const std::int32_t value : {game.score, game.level, game.cardsThisLevel, game.dropInterval}) {
        Append(text, value);
    }
    text += " points";
    std::for_each(game.stackPoints.begin(), game.stackPoints.end(), [&](std::int32_t p) { Append(text, p); });
    std::for_each(game.pointsCountdown.begin(), game.pointsCountdown.end(), [&](std::int32_t c) { Append(text, c); });
    return text + CheckText(text);
}

std::optional<KeptGame> ParseKeptGame(std::string_view text)
{
    constexpr std::size_t checkSize = 9; // a space and eight hex digits
    if (text.size() <= checkSize || text.size() > kLongestText) {
        return std::nullopt;
    }
    const std::string_view body = text.substr(0, text.size() - checkSize);
    if (text.substr(body.size()) != CheckText(body)) {
        return std::nullopt;
    }
    KeptGame game;
    Words words(body);
    if (!ReadFields(words, game) || !PlayCanReach(game)) {
        return std::nullopt;
    }
    // Written back it must be the very same text: this turns away a number
    // written in another way (leading zeros, a minus zero).
    if (KeptGameText(game) != text) {
        return std::nullopt;
    }
    return game;
}

} // namespace tw
