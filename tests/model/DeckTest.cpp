#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "model/Deck.h"
#include "model/Random.h"
#include "support/CardBuilders.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

using test::Code;
using Codes = std::vector<CardCode>;
using Counts = std::array<int, 52>;

test::SettingsScope Rules(std::int32_t oneDeck, std::int32_t swapMode, std::int32_t endOnShuffle = 0,
                          std::int32_t regime = 1)
{
    return test::SettingsScope([=](Settings& s) {
        s.OneDeck = oneDeck;
        s.SwapMode = swapMode;
        s.EndOnShuffle = endOnShuffle;
        s.CollapseRegime = regime;
        s.DeriveMinMeldLength();
    });
}

CardCode Falling(const Deck& deck) { return deck.Sprite().GetCard()->GetCode(); }
CardCode Companion(CardCode c) { return CardRank(c) == 12 ? c : MakeCardCode(11 - CardRank(c), CardSuit(c)); }
Codes Pile(const Deck& deck) { return {deck.PileCodes().begin(), deck.PileCodes().end()}; }
bool InPile(const Deck& deck, CardCode c) { return std::ranges::find(deck.PileCodes(), c) != deck.PileCodes().end(); }
Codes Sorted(Codes codes)
{
    std::ranges::sort(codes);
    return codes;
}
Codes Range(CardCode first, std::size_t n)
{
    Codes codes(n);
    std::iota(codes.begin(), codes.end(), first);
    return codes;
}
// The pile and the falling card together, as a multiset; .at() catches any
// code outside 0..51.
Counts InHand(const Deck& deck)
{
    Counts counts{};
    for (const CardCode c : deck.PileCodes()) {
        ++counts.at(c);
    }
    if (deck.Sprite().GetCard()) {
        ++counts.at(Falling(deck));
    }
    return counts;
}
void Fill(Deck& deck, const Codes& codes)
{
    for (const CardCode c : codes) {
        deck.Reinsert(c);
    }
}

TEST(DeckDealing, OneSeedDealsTheSameCardsEverywhere)
{
    for (const auto& [oneDeck, expected] : {std::pair{0, Codes{2, 11, 29, 19, 42}}, std::pair{1, Codes{27, 13, 9, 16, 18}}}) {
        const auto scope = Rules(oneDeck, 3);
        SeedRandom(1);
        Deck deck;
        Codes dealt;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            deck.Deal();
            dealt.push_back(Falling(deck));
        }
        EXPECT_EQ(dealt, expected) << "OneDeck " << oneDeck;
    }
}

// A stored OneDeck the program never writes plays as a plain pile.
TEST(DeckDealing, APileDealsEveryCardOnceThenAFreshDeck)
{
    for (const auto& [oneDeck, resultAtShuffle] : {std::pair{1, true}, {7, true}, {-1, true}, {2, false}}) {
        SCOPED_TRACE(oneDeck);
        const auto scope = Rules(oneDeck, 3, 1);
        SeedRandom(99);
        Deck deck;
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(deck.Deal(), resultAtShuffle);
            EXPECT_EQ(deck.EndReason(), 1);
            Codes dealt{Falling(deck)};
            while (deck.RemainingCount() > 0) {
                EXPECT_TRUE(deck.Deal());
                dealt.push_back(Falling(deck));
            }
            EXPECT_EQ(Sorted(dealt), Range(0, 52));
        }
    }
}

TEST(DeckDealing, ARestThatIsOneMeldIsDealtFirstAboveAFreshDeck)
{
    const struct {
        std::int32_t oneDeck, regime;
        Codes rest;
        bool shuffles;
    } cases[] = {
        {2, 1, {Code("KC"), Code("KD"), Code("KH")}, true},
        {2, 1, {Code("5S"), Code("7S"), Code("6S"), Code("4S")}, true},
        {2, 3, {Code("10C"), Code("6D"), Code("5H")}, true},
        {2, 1, {Code("KC"), Code("KD"), Code("5H")}, false},
        {2, 1, {Code("KC"), Code("KD")}, false}, // too short to be tested
        {1, 1, {Code("KC"), Code("KD"), Code("KH")}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.rest));
        const auto scope = Rules(c.oneDeck, 1, 0, c.regime);
        SeedRandom(5);
        Deck deck;
        Fill(deck, c.rest);
        const Codes before = Pile(deck);
        EXPECT_TRUE(deck.Deal());
        EXPECT_EQ(Falling(deck), before.back());
        const Codes after = Pile(deck);
        const std::size_t fresh = c.shuffles ? 52 : 0;
        ASSERT_EQ(after.size(), fresh + before.size() - 1);
        EXPECT_EQ(Codes(after.begin() + fresh, after.end()), Codes(before.begin(), before.end() - 1));
        EXPECT_EQ(Sorted(Codes(after.begin(), after.begin() + fresh)), Range(0, fresh));
        EXPECT_EQ(deck.EndReason(), c.shuffles ? 1 : 0);
    }
}

TEST(DeckDealing, EndOnShuffleEndsAtTheThirtySecondRestThatIsOneMeld)
{
    const auto scope = Rules(2, 1, 1);
    SeedRandom(3);
    Deck deck;
    Fill(deck, {Code("KC"), Code("KD"), Code("KH")});
    for (int match = 1; match < 32; ++match) {
        ASSERT_TRUE(deck.Deal());
        EXPECT_EQ(deck.RemainingCount(), 2);
        deck.Reinsert(deck.Sprite().TakeCard()->GetCode());
    }
    EXPECT_FALSE(deck.Deal());
    EXPECT_EQ(deck.EndReason(), 2);
    EXPECT_EQ(deck.RemainingCount(), 52 + 2);
}

TEST(DeckSwap, WithoutAPileSwapsDrawRandomCardsOrCompanions)
{
    for (const std::int32_t mode : {1, 3}) {
        const auto scope = Rules(0, mode);
        Deck deck;
        deck.Deal();
        SeedRandom(77);
        const std::int32_t rank = random(13);
        const CardCode expected = MakeCardCode(rank, random(4));
        SeedRandom(77);
        deck.Swap();
        EXPECT_EQ(Falling(deck), expected) << "SwapMode " << mode;
    }
    const auto scope = Rules(0, 2);
    for (const auto& [card, companion] : {std::pair{"QH", "AH"}, {"JC", "2C"}, {"10D", "3D"}, {"9S", "4S"},
                                          {"8C", "5C"}, {"7D", "6D"}, {"KS", "KS"}}) {
        Deck deck;
        deck.Sprite().SetCard(std::make_unique<Card>(Code(card)));
        deck.Swap();
        EXPECT_EQ(Falling(deck), Code(companion)) << card;
        deck.Swap();
        EXPECT_EQ(Falling(deck), Code(card)) << card;
    }
}

TEST(DeckSwap, ACompanionSwapTradesPlacesWithThePileAndBack)
{
    const auto scope = Rules(1, 2);
    SeedRandom(11);
    Deck deck;
    do {
        deck.Deal();
    } while (CardRank(Falling(deck)) == 12);
    const CardCode first = Falling(deck);
    const Codes before = Pile(deck);
    deck.Swap();
    EXPECT_EQ(Falling(deck), Companion(first));
    EXPECT_TRUE(InPile(deck, first));
    deck.Swap();
    EXPECT_EQ(Falling(deck), first);
    EXPECT_EQ(Pile(deck), before);

    while (InPile(deck, Companion(Falling(deck)))) {
        deck.Deal();
    }
    const CardCode lonely = Falling(deck);
    const Codes rest = Pile(deck);
    deck.Swap();
    EXPECT_EQ(Falling(deck), lonely);
    EXPECT_EQ(Pile(deck), rest);
}

TEST(DeckSwap, CycleSwapsBringBackTheFallingCardAndPile)
{
    const auto scope = Rules(1, 3);
    Deck deck;
    deck.Deal();
    for (const std::int32_t left : {51, 1}) { // a cycle of three, then of two
        while (deck.RemainingCount() > left) {
            deck.Deal();
        }
        const CardCode x = Falling(deck);
        const Codes before = Pile(deck);
        deck.Swap();
        EXPECT_EQ(Falling(deck), before.back());
        deck.Swap();
        EXPECT_EQ(Falling(deck), left == 1 ? x : before[before.size() - 2]);
        if (left > 1) {
            deck.Swap();
        }
        EXPECT_EQ(Falling(deck), x);
        EXPECT_EQ(Pile(deck), before);
    }
}

TEST(DeckSwap, DoesNothingWhenItCannot)
{
    const struct {
        std::int32_t oneDeck, swapMode, deals, pileTop; // deals: 52 empties the pile
    } cases[] = {{1, 1, 52, 0}, {1, 2, 52, 0}, {1, 3, 52, 0}, {2, 3, 1, Deck::EndedPileTop}, {2, 4, 1, 0},
                 {2, 0, 1, 0},  {1, 5, 1, 0},  {0, -1, 1, 0}, {0, 1, 0, 0},                   {2, 3, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.oneDeck << ", " << c.swapMode << ", " << c.deals);
        const auto scope = Rules(c.oneDeck, c.swapMode);
        Deck deck;
        for (int i = 0; i < c.deals; ++i) {
            deck.Deal();
        }
        if (c.pileTop != 0) {
            deck.SetPileTop(c.pileTop);
        }
        const Codes pile = Pile(deck);
        const Card* card = deck.Sprite().GetCard();
        SeedRandom(8);
        deck.Swap();
        EXPECT_EQ(deck.Sprite().GetCard(), card);
        EXPECT_EQ(Pile(deck), pile);
        const std::int32_t next = NextRandom();
        SeedRandom(8);
        EXPECT_EQ(next, NextRandom()); // nothing drawn
    }
}

TEST(DeckReinsert, PlacesTheCodeAtRandomAndDealsTheFourthPlaceNext)
{
    const struct {
        std::int32_t swapMode;
        std::size_t size, maxPlace;
    } cases[] = {{1, 8, 8}, {3, 8, 4}, {3, 2, 0}, {1, 0, 0}, {3, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.swapMode << ", " << c.size);
        const auto scope = Rules(2, c.swapMode);
        std::vector<bool> seen(c.maxPlace + 1);
        for (std::uint32_t seed = 1; seed < 200; ++seed) {
            Deck deck;
            Fill(deck, Range(10, c.size));
            const Codes old = Pile(deck);
            SeedRandom(seed * 2654435761u); // neighbouring seeds start alike
            EXPECT_EQ(deck.Reinsert(40), 1);
            const Codes now = Pile(deck);
            const auto place = static_cast<std::size_t>(std::ranges::find(now, 40) - now.begin());
            ASSERT_LE(place, c.maxPlace);
            seen[place] = true;
            Codes expected = Range(10, c.size);
            expected.push_back(40);
            EXPECT_EQ(Sorted(now), expected);
            if (place != c.size) {
                EXPECT_EQ(now.back(), old[c.size >= 3 ? c.size - 3 : 0]);
            }
            if (c.swapMode == 3 && c.size >= 3) { // the next three deals stay the same three
                EXPECT_EQ(Sorted(Codes(now.end() - 3, now.end())), Sorted(Codes(old.end() - 3, old.end())));
            }
        }
        EXPECT_EQ(std::ranges::count(seen, true), static_cast<std::ptrdiff_t>(c.maxPlace + 1));
    }
}

TEST(DeckReinsert, AFullPileDropsTheCodeAndNoSwapReachesPastIt)
{
    for (const std::int32_t mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        const auto scope = Rules(2, mode);
        SeedRandom(21);
        Deck deck;
        for (CardCode c = 0; c < 104; ++c) {
            deck.Reinsert(c % 52);
        }
        const Codes full = Pile(deck);
        EXPECT_EQ(deck.Reinsert(Code("5C")), 0);
        EXPECT_EQ(Pile(deck), full);

        // Only a board that forces the top could have a card falling now. A
        // random swap that draws the falling code itself keeps one copy only.
        const CardCode x = full.back() == Code("QH") ? Code("JC") : Code("QH");
        deck.Sprite().SetCard(std::make_unique<Card>(x));
        const Counts inHand = InHand(deck);
        deck.Swap();
        EXPECT_EQ(Falling(deck), mode == 2 ? Companion(x) : full.back());
        EXPECT_EQ(InHand(deck), inHand);
        deck.Deal();
        EXPECT_EQ(deck.RemainingCount(), 103);
    }
}

TEST(DeckPileTop, StaysInsideThePileAndAnEndedPileTakesNothingBack)
{
    const auto scope = Rules(2, 3);
    Deck deck;
    EXPECT_EQ(deck.Reinsert(52), 0);
    EXPECT_EQ(deck.Reinsert(-1), 0);
    deck.SetPileTop(500);
    EXPECT_EQ(deck.RemainingCount(), 104);
    deck.SetPileTop(-7);
    EXPECT_EQ(deck.RemainingCount(), -1);
    EXPECT_EQ(deck.Reinsert(Code("AS")), 0);
    EXPECT_EQ(deck.RemainingCount(), -1);
    deck.Deal(); // starts afresh with a whole deck
    Counts once;
    once.fill(1);
    EXPECT_EQ(InHand(deck), once);
}

// Plays long seeded games as the board would: deal, a few swaps, land on one
// of seven rule stacks, collapse a meld (back into the pile with OneDeck 2)
// and clear a stack grown past any real game's height. Halfway through, the
// player starts to complete melds wherever it can, which is what grows a
// OneDeck 2 pile to its limit. After every step the cards in play must be
// exactly those the rules account for.
class Table {
public:
    Table(std::int32_t oneDeck, std::int32_t swapMode) : oneDeck(oneDeck), swapMode(swapMode) {}

    void Step(bool completeMelds)
    {
        const std::int32_t before = deck.RemainingCount();
        deck.Deal();
        if (oneDeck != 0 && deck.RemainingCount() != before - 1) {
            Shuffled(before);
        }
        for (auto swaps = choice() % 3; swaps > 0; --swaps) {
            Swap();
        }
        const CardCode code = Falling(deck);
        ++landed[code];
        Stack* stack = &stacks[choice() % stacks.size()];
        for (Stack& s : stacks) {
            if (completeMelds) {
                s.PushCard(std::make_unique<Card>(code));
                stack = s.MeldLength() >= settings.minMeldLength ? &s : stack;
                s.PopTop();
            }
        }
        stack->PushCard(deck.Sprite().TakeCard());
        const bool meld = stack->MeldLength() >= settings.minMeldLength;
        const std::int32_t leaving = meld ? stack->MeldLength() : stack->GetCount() > 40 ? stack->GetCount() : 0;
        for (std::int32_t i = 0; i < leaving; ++i) {
            const CardCode gone = stack->PopTop()->GetCode();
            if (oneDeck == 2 && (!meld || deck.Reinsert(gone) == 0)) { // cleared, or no room
                dropped += meld;
                --inPlay[gone];
            }
        }
    }

    void Check() const
    {
        ASSERT_GE(deck.RemainingCount(), 0);
        ASSERT_LE(deck.RemainingCount(), Deck::PileSize);
        Counts seen = InHand(deck); // .at() catches any code outside 0..51
        if (oneDeck == 1) {
            for (std::size_t c = 0; c < seen.size(); ++c) {
                ASSERT_EQ(seen[c] + landed[c], 1) << "code " << c;
            }
        } else if (oneDeck == 2) {
            for (const Stack& stack : stacks) {
                for (const CardNode* n = stack.GetTopNode(); n != stack.GetBaseNode(); n = n->GetNext()) {
                    ++seen.at(n->GetCard()->GetCode());
                }
            }
            ASSERT_EQ(seen, inPlay);
        }
    }

    int dropped = 0;

private:
    void Shuffled(std::int32_t before)
    {
        for (int& n : inPlay) {
            ++n;
        }
        if (oneDeck == 1) { // the pile ran out: every card of the last 52 has landed once
            ASSERT_EQ(before, 0);
            ASSERT_EQ(std::count(landed.begin(), landed.end(), shuffles == 0 ? 0 : 1), 52);
        }
        ++shuffles;
        landed = {};
    }

    void Swap()
    {
        const CardCode x = Falling(deck);
        const std::int32_t before = deck.RemainingCount();
        deck.Swap();
        ASSERT_TRUE(Falling(deck) >= 0 && Falling(deck) < 52);
        if (oneDeck == 2 && swapMode == 1 && before > 0) { // an empty pile swaps nothing
            const bool twin = Falling(deck) == x;
            if (deck.RemainingCount() != before - twin) {
                Shuffled(before);
            }
            if (twin) { // the old card is not put back
                --inPlay[x];
            }
        }
    }

    const std::int32_t oneDeck;
    const std::int32_t swapMode;
    std::minstd_rand choice{17}; // the test's own choices, the same on every platform
    Deck deck;
    std::array<Stack, 7> stacks;
    Counts inPlay{}; // OneDeck 2: codes in the pile, on the stacks or falling
    Counts landed{}; // OneDeck 1: codes of the current 52 that have left the pile
    int shuffles = 0;
};

TEST(DeckProperty, LongSeededGamesNeitherLoseNorInventCards)
{
    int dropped = 0;
    for (const std::int32_t oneDeck : {0, 1, 2}) {
        for (const std::int32_t swapMode : {1, 2, 3, 4}) {
            for (const std::int32_t regime : {1, 3}) {
                SCOPED_TRACE(::testing::Message() << oneDeck << ", " << swapMode << ", " << regime);
                const auto scope = Rules(oneDeck, swapMode, 0, regime);
                SeedRandom(static_cast<std::uint32_t>(oneDeck * 100 + swapMode * 10 + regime));
                Table table(oneDeck, swapMode);
                for (int step = 0; step < 1500 && !::testing::Test::HasFatalFailure(); ++step) {
                    table.Step(step >= 750);
                    table.Check();
                }
                dropped += table.dropped;
            }
        }
    }
    EXPECT_GT(dropped, 0) << "no game filled the pile";
}

} // namespace
} // namespace tw
