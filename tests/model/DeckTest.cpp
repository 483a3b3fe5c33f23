#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "model/Deck.h"
#include "model/Random.h"
#include "support/DeckBuilders.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

using test::Code;
using Codes = std::vector<CardCode>;
using Counts = std::array<int, 52>;
const Counts kOnce = [] { Counts c; c.fill(1); return c; }();

test::SettingsScope Rules(int oneDeck, int swapMode, int endOnShuffle = 0, int regime = 1)
{
    return test::SettingsScope([=](Settings& s) {
        std::tie(s.OneDeck, s.SwapMode, s.EndOnShuffle, s.CollapseRegime) = std::tuple(oneDeck, swapMode, endOnShuffle, regime);
        s.DeriveMinMeldLength();
    });
}

CardCode Falling(const Deck& deck) { return deck.Sprite().GetCard()->GetCode(); }
CardCode Companion(CardCode c) { return CardRank(c) == 12 ? c : MakeCardCode(11 - CardRank(c), CardSuit(c)); }
Codes Pile(const Deck& deck) { return {deck.PileCodes().begin(), deck.PileCodes().end()}; }
bool InPile(const Deck& deck, CardCode c) { return std::ranges::find(deck.PileCodes(), c) != deck.PileCodes().end(); }
// How often each code occurs, a falling card included; .at() catches any code outside 0..51.
Counts Tally(std::span<const CardCode> codes, const Deck* deck = nullptr)
{
    Counts counts{};
    for (const CardCode c : codes) {
        ++counts.at(c);
    }
    if (deck && deck->Sprite().GetCard()) {
        ++counts.at(Falling(*deck));
    }
    return counts;
}
Counts InHand(const Deck& deck) { return Tally(deck.PileCodes(), &deck); }

// A stored OneDeck the program never writes (7) plays as a plain pile.
TEST(DeckDealing, OneSeedDealsTheSameCardsAndAPileEveryCardOncePerDeck)
{
    const Codes unlimited{2, 11, 29, 19, 42}, pile{27, 13, 9, 16, 18};
    for (const auto& [oneDeck, firstFive] : {std::pair{0, unlimited}, {1, pile}, {7, pile}, {2, pile}}) {
        SCOPED_TRACE(oneDeck);
        const auto scope = Rules(oneDeck, 3, 1);
        SeedRandom(1);
        Deck deck;
        Codes dealt;
        for (int i = 0; i < 104; ++i) {
            const bool shuffles = oneDeck != 0 && i % 52 == 0;
            EXPECT_EQ(deck.Deal(), !shuffles || oneDeck != 2);
            EXPECT_EQ(deck.EndReason(), shuffles ? 1 : 0);
            dealt.push_back(Falling(deck));
        }
        EXPECT_EQ(Codes(dealt.begin(), dealt.begin() + 5), firstFive);
        if (oneDeck != 0) {
            EXPECT_EQ(Tally(std::span(dealt).first(52)), kOnce);
            EXPECT_EQ(Tally(std::span(dealt).last(52)), kOnce);
        }
    }
}

// A shuffle puts a fresh deck beneath whatever is left, which is dealt first.
TEST(DeckDealing, ARestThatIsOneMeldIsDealtFirstAboveAFreshDeck)
{
    for (const auto& [oneDeck, regime, rest, shuffles] : std::vector<std::tuple<int, int, std::vector<std::string_view>, bool>>{
             {2, 1, {"5S", "7S", "6S", "4S"}, true}, {2, 3, {"10C", "6D", "5H"}, true}, {2, 1, {"KC", "KD", "5H"}, false},
             {2, 1, {"KC", "KD"}, false}, {1, 1, {"KC", "KD", "KH"}, false}}) {
        SCOPED_TRACE(::testing::PrintToString(rest));
        const auto scope = Rules(oneDeck, 1, 0, regime);
        SeedRandom(5);
        const auto deck = test::DeckOf(rest);
        const Codes before = Pile(*deck);
        EXPECT_TRUE(deck->Deal());
        EXPECT_EQ(Falling(*deck), before.back());
        const Codes after = Pile(*deck);
        const std::size_t fresh = shuffles ? 52 : 0;
        ASSERT_EQ(after.size(), fresh + before.size() - 1);
        EXPECT_EQ(Codes(after.begin() + fresh, after.end()), Codes(before.begin(), before.end() - 1));
        EXPECT_EQ(Tally(std::span(after).first(fresh)), shuffles ? kOnce : Counts{});
        EXPECT_EQ(deck->EndReason(), shuffles ? 1 : 0);
    }
}

TEST(DeckDealing, EndOnShuffleEndsAtTheThirtySecondRestThatIsOneMeld)
{
    const auto scope = Rules(2, 1, 1);
    SeedRandom(3);
    const auto deck = test::DeckOf({"KC", "KD", "KH"});
    for (int match = 1; match < 32; ++match) {
        ASSERT_TRUE(deck->Deal());
        EXPECT_EQ(deck->RemainingCount(), 2);
        deck->Reinsert(deck->Sprite().TakeCard()->GetCode());
    }
    EXPECT_FALSE(deck->Deal());
    EXPECT_EQ(deck->EndReason(), 2);
    EXPECT_EQ(deck->RemainingCount(), 52 + 2);
}

// Without a pile the random and cycle swaps draw as a deal does; a companion
// swap done twice gives the card back.
TEST(DeckSwap, WithoutAPileDrawsAsADealDoesOrTakesTheCompanion)
{
    for (const auto& [mode, card, companion] : std::vector<std::tuple<int, std::string_view, std::string_view>>{
             {1, "QH", ""}, {3, "QH", ""}, {2, "QH", "AH"}, {2, "7D", "6D"}, {2, "KS", "KS"}}) {
        const auto scope = Rules(0, mode);
        Deck deck;
        SeedRandom(77);
        deck.Deal();
        const CardCode expected = companion.empty() ? Falling(deck) : Code(companion);
        deck.Sprite().SetCard(std::make_unique<Card>(Code(card)));
        SeedRandom(77);
        deck.Swap();
        EXPECT_EQ(Falling(deck), expected) << mode << card;
        deck.Swap();
        EXPECT_TRUE(mode != 2 || Falling(deck) == Code(card)) << card;
    }
}

// Mode 1 trades with the top of the pile; a companion swap done twice and a
// cycle swap done three times (twice with one card left) give back the card
// and the pile as they were.
TEST(DeckSwap, FromAPileTradesWithItAndComesBack)
{
    for (const auto& [mode, left] : {std::pair{1, 40}, {2, 40}, {2, 1}, {3, 40}, {3, 1}}) {
        SCOPED_TRACE(::testing::Message() << "SwapMode " << mode << ", " << left << " left");
        const auto scope = Rules(1, mode);
        SeedRandom(11);
        Deck deck;
        do {
            deck.Deal();
        } while (deck.RemainingCount() > left || (left > 1 && !InPile(deck, Companion(Falling(deck)))));
        const CardCode x = Falling(deck);
        const Codes before = Pile(deck);
        const Counts inHand = InHand(deck);
        ASSERT_EQ(InPile(deck, Companion(x)), left > 1);
        const Codes expected = mode == 1 ? Codes{before.back()}
                               : mode == 2 ? (left > 1 ? Codes{Companion(x), x} : Codes{x})
                               : left > 1 ? Codes{before.back(), before[before.size() - 2], x}
                                          : Codes{before.back(), x};
        Codes seen;
        while (seen.size() < expected.size()) {
            deck.Swap();
            seen.push_back(Falling(deck));
            EXPECT_EQ(InHand(deck), inHand);
        }
        EXPECT_EQ(seen, expected);
        EXPECT_TRUE(mode == 1 || Pile(deck) == before);
    }
}

// An empty pile, an ended one, swapping off, unknown modes, no falling card:
// nothing changes and nothing is drawn.
TEST(DeckSwap, DoesNothingWhenItCannot)
{
    for (const auto& [oneDeck, swapMode, deals, pileTop] : std::vector<std::array<int, 4>>{
             {1, 1, 1, -1}, {1, 3, 1, -1}, {2, 3, 1, Deck::EndedPileTop}, {2, 4, 1, 50}, {2, 0, 1, 50},
             {0, -1, 1, -1}, {0, 1, 0, -1}}) {
        SCOPED_TRACE(::testing::Message() << oneDeck << ", " << swapMode << ", " << deals);
        const auto scope = Rules(oneDeck, swapMode);
        Deck deck;
        if (deals != 0) {
            deck.Deal();
        }
        deck.SetPileTop(pileTop);
        const Codes pile = Pile(deck);
        const Card* card = deck.Sprite().GetCard();
        SeedRandom(8);
        const std::int32_t first = NextRandom();
        SeedRandom(8);
        deck.Swap();
        EXPECT_EQ(deck.Sprite().GetCard(), card);
        EXPECT_EQ(Pile(deck), pile);
        EXPECT_EQ(NextRandom(), first);
    }
}

// The code lands anywhere, the one from the fourth place down goes on top; with
// the cycle swap the three cards about to be dealt stay on top.
TEST(DeckReinsert, PlacesTheCodeAtRandomAndDealsTheFourthPlaceNext)
{
    for (const auto& [swapMode, size, maxPlace] : std::vector<std::array<std::size_t, 3>>{{1, 8, 8}, {3, 8, 4}, {3, 2, 0}, {3, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << swapMode << ", " << size);
        const auto scope = Rules(2, static_cast<std::int32_t>(swapMode));
        std::vector<bool> seen(maxPlace + 1);
        for (std::uint32_t seed = 1; seed < 200; ++seed) {
            Deck deck;
            for (CardCode c = 0; c < static_cast<CardCode>(size); ++c) {
                deck.Reinsert(10 + c);
            }
            const Codes old = Pile(deck);
            SeedRandom(seed * 2654435761u); // neighbouring seeds start alike
            EXPECT_EQ(deck.Reinsert(40), 1);
            Codes now = Pile(deck);
            const auto place = static_cast<std::size_t>(std::ranges::find(now, 40) - now.begin());
            ASSERT_LE(place, maxPlace);
            seen[place] = true;
            EXPECT_TRUE(place == size || now.back() == old[size >= 3 ? size - 3 : 0]);
            if (swapMode == 3 && size >= 3) {
                EXPECT_EQ(Tally(std::span(now).last(3)), Tally(std::span(old).last(3)));
            }
            now.erase(now.begin() + static_cast<std::ptrdiff_t>(place));
            EXPECT_EQ(Tally(now), Tally(old));
        }
        EXPECT_EQ(std::ranges::count(seen, true), static_cast<std::ptrdiff_t>(maxPlace + 1));
    }
}

// Only a board that forces the top could have a card falling on a full pile. A
// random swap that draws the falling code itself keeps one copy only.
TEST(DeckReinsert, AFullOrEndedPileTakesNothingAndNoSwapReachesPastIt)
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
        const CardCode x = full.back() == Code("QH") ? Code("JC") : Code("QH");
        deck.Sprite().SetCard(std::make_unique<Card>(x));
        const Counts inHand = InHand(deck);
        deck.Swap();
        EXPECT_EQ(Falling(deck), mode == 2 ? Companion(x) : full.back());
        EXPECT_EQ(InHand(deck), inHand);
        deck.Deal();
        EXPECT_EQ(deck.RemainingCount(), 103);
    }
    // Out-of-range tops are brought inside; an ended pile takes nothing back
    // and its next deal starts afresh with a whole deck.
    const auto scope = Rules(2, 3);
    Deck deck;
    EXPECT_EQ(deck.Reinsert(52) + deck.Reinsert(-1), 0);
    deck.SetPileTop(500);
    EXPECT_EQ(deck.RemainingCount(), 104);
    deck.SetPileTop(-7);
    EXPECT_EQ(deck.Reinsert(Code("AS")), 0);
    EXPECT_EQ(deck.RemainingCount(), -1);
    deck.Deal();
    EXPECT_EQ(InHand(deck), kOnce);
}

// Long seeded games played as the board would: deal, a few swaps, land on one
// of seven stacks, collapse a meld (back into the pile with OneDeck 2) and
// clear a stack taller than any real game's. From halfway on the player
// completes melds wherever it can, which is what fills a OneDeck 2 pile. The
// cards in play must after every step be exactly those the rules account for.
TEST(DeckProperty, LongSeededGamesNeitherLoseNorInventCards)
{
    int dropped = 0;
    for (int game = 0; game < 12 && !HasFatalFailure(); ++game) {
        const std::int32_t oneDeck = game / 6 + 1, swapMode = game / 2 % 3 + 1, regime = game % 2 * 2 + 1;
        SCOPED_TRACE(::testing::Message() << oneDeck << ", " << swapMode << ", " << regime);
        const auto scope = Rules(oneDeck, swapMode, 0, regime);
        SeedRandom(static_cast<std::uint32_t>(oneDeck * 100 + swapMode * 10 + regime));
        std::minstd_rand choice{17}; // the test's own choices, the same on every platform
        Deck deck;
        std::array<Stack, 7> stacks;
        Counts inPlay{};
        for (int step = 0; step < 1500 && !HasFatalFailure(); ++step) {
            // A draw that leaves more cards than it should opened a fresh deck;
            // a random swap that draws the falling code itself keeps one copy only.
            for (int d = 0, draws = 1 + static_cast<int>(choice() % 3); d < draws; ++d) {
                const CardCode x = d > 0 ? Falling(deck) : -1;
                const std::int32_t before = deck.RemainingCount();
                d > 0 ? deck.Swap() : static_cast<void>(deck.Deal());
                const bool twin = d > 0 && swapMode == 1 && before > 0 && Falling(deck) == x;
                if (deck.RemainingCount() != before - (d > 0 ? twin : 1)) {
                    std::ranges::for_each(inPlay, [](int& n) { ++n; });
                }
                inPlay[Falling(deck)] -= twin;
            }
            Stack* stack = &stacks[choice() % stacks.size()];
            for (Stack& s : stacks) {
                s.PushCard(std::make_unique<Card>(Falling(deck)));
                stack = step >= 750 && s.MeldLength() >= settings.minMeldLength ? &s : stack;
                s.PopTop();
            }
            stack->PushCard(deck.Sprite().TakeCard());
            const bool meld = stack->MeldLength() >= settings.minMeldLength;
            const std::int32_t leaving = meld ? stack->MeldLength() : stack->GetCount() > 40 ? stack->GetCount() : 0;
            for (std::int32_t i = 0; i < leaving; ++i) {
                const CardCode gone = stack->PopTop()->GetCode();
                const bool back = oneDeck == 2 && meld && deck.Reinsert(gone) == 1;
                dropped += oneDeck == 2 && meld && !back;
                inPlay[gone] -= !back;
            }
            Counts seen = InHand(deck);
            for (const Stack& s : stacks) {
                for (const CardNode* n = s.GetTopNode(); n != s.GetBaseNode(); n = n->GetNext()) {
                    ++seen.at(n->GetCard()->GetCode());
                }
            }
            ASSERT_EQ(seen, inPlay) << "step " << step;
        }
    }
    EXPECT_GT(dropped, 0) << "no game filled the pile";
}

} // namespace
} // namespace tw
