#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/CardNode.h"
#include "support/CardBuilders.h"
#include "support/SettingsScope.h"

namespace tw {
namespace {

using test::Code;
using test::StackFromTop;
using Cards = std::vector<std::string_view>;

static_assert(std::has_virtual_destructor_v<Card> && !std::is_copy_constructible_v<Card>);
static_assert(std::has_virtual_destructor_v<CardNode> && !std::is_copy_constructible_v<CardNode>);

// Walks the cards top first, checking on the way that every link agrees with
// its neighbour's.
std::vector<CardCode> CodesFromTop(const Stack& stack)
{
    EXPECT_EQ(stack.GetTopNode()->GetPrev(), nullptr);
    EXPECT_EQ(stack.GetBaseNode()->GetNext(), nullptr);
    std::vector<CardCode> codes;
    for (const CardNode* node = stack.GetTopNode(); node != stack.GetBaseNode(); node = node->GetNext()) {
        EXPECT_EQ(node->GetNext()->GetPrev(), node);
        codes.push_back(node->GetCard()->GetCode());
    }
    EXPECT_EQ(static_cast<std::int32_t>(codes.size()), stack.GetCount());
    return codes;
}

// Leaks and double frees of cards or nodes are the sanitizers' to report;
// stacks here are destroyed holding cards, after Clear, and emptied by pops.
TEST(StackList, PushesAboveTheBasePopsInReverseAndClearsForReuse)
{
    const auto stack = StackFromTop({"5C", "KD", "AS"});
    EXPECT_EQ(CodesFromTop(*stack), (std::vector{Code("5C"), Code("KD"), Code("AS")}));
    EXPECT_EQ(stack->PopTop()->GetCode(), Code("5C"));
    EXPECT_EQ(CodesFromTop(*stack), (std::vector{Code("KD"), Code("AS")}));
    stack->PopTop();
    stack->PopTop();
    EXPECT_EQ(stack->PopTop(), nullptr);
    EXPECT_EQ(stack->GetTopNode(), stack->GetBaseNode());
    EXPECT_EQ(stack->PushCard(nullptr), 0);
    EXPECT_TRUE(CodesFromTop(*stack).empty());

    const auto cleared = StackFromTop({"2C", "3C"});
    EXPECT_EQ(cleared->Clear(), 1);
    EXPECT_TRUE(CodesFromTop(*cleared).empty());
    EXPECT_EQ(cleared->PushCard(std::make_unique<Card>(7)), 1);
    EXPECT_EQ(CodesFromTop(*cleared), std::vector<CardCode>{7});

    // A node does not own its card: deleting this one would be a bad free.
    Card onFrame(42);
    std::make_unique<CardNode>(&onFrame).reset();
    EXPECT_EQ(onFrame.GetCode(), 42);
}

TEST(StackGeometry, EachCardLandsOneStepFurtherFromTheBaseInEitherDirection)
{
    for (const int d : {1, -1}) {
        SCOPED_TRACE(d);
        test::SettingsScope scope([d](Settings& s) { s.UpDown = d; });
        const std::int32_t baseY = d == 1 ? 308 : 20;
        Stack stack;
        stack.SetPosition(100, baseY);
        for (int n = 0; n <= 13; ++n) {
            EXPECT_EQ(stack.LandingY(), baseY - 24 * n * d);
            // Seen from the deal height; 0 at twelve cards, where no card fits.
            EXPECT_EQ(stack.DistanceToLanding(0, baseY - 288 * d), 288 - 24 * n);
            stack.PushCard(std::make_unique<Card>(n));
        }
    }
}

struct Meld {
    Cards fromTop;
    std::int32_t length;
    std::optional<std::int32_t> points = {}; // of the meld found, when it matters
};

// Each rule set runs with the minimum length a settings load derives for it.
void ExpectMelds(std::int32_t regime, const std::vector<Meld>& melds)
{
    test::SettingsScope scope([regime](Settings& s) {
        s.CollapseRegime = regime;
        s.DeriveMinMeldLength();
    });
    for (const Meld& meld : melds) {
        SCOPED_TRACE(::testing::PrintToString(meld.fromTop));
        const auto stack = StackFromTop(meld.fromTop);
        EXPECT_EQ(stack->MeldLength(), meld.length);
        if (meld.points) {
            EXPECT_EQ(stack->MeldPoints(meld.length), *meld.points);
        }
    }
}

TEST(RankMasks, RunLengthIsTheSingleUnbrokenBlockOfBits)
{
    EXPECT_EQ(RunLength(0), 0);
    EXPECT_EQ(RunLength(0b111000), 3);
    EXPECT_EQ(RunLength(0b1011), 0);
    EXPECT_EQ(RunLength(0xFFFFFFFFu), 32);
    EXPECT_EQ(MaskBit(32) | MaskBit(-1), 0u);
}

// The top two cards choose a set; runs lie in any order with gaps closed
// further down, and do not wrap from king to ace.
TEST(Melds, SetsAndRunsFindTheLongestSetOrSuitedRunAtTheTop)
{
    ExpectMelds(1, {{{"7C", "7D", "7H"}, 3, 15}, {{"KC", "KD", "KS"}, 3, 30}, {{"AC", "AD", "AH"}, 3, 45},
                    {{"4H", "5H", "6H"}, 3, 15}, {{"AS", "2S", "3S"}, 3, 15}, {{"QD", "KD", "AD"}, 3, 35},
                    {{"5C", "6C", "7C", "8C"}, 4, 40}, {{"9H", "10H", "JH", "QH", "KH"}, 5, 180},
                    {{}, 0}, {{"9D"}, 1}, {{"5C", "5D", "4C", "3C"}, 2}, {{"7S", "5S", "6S"}, 3},
                    {{"5S", "7S", "6S", "9S", "8S", "2H"}, 5}, {{"7C", "6C", "5D", "4C"}, 2}, {{"KH", "AH", "2H"}, 2}});
}

// Random dealing can pile up one rank without limit.
TEST(Melds, DoublingSaturatesInsteadOfOverflowing)
{
    test::SettingsScope scope;
    const auto sevens = StackFromTop(Cards(40, "7C"));
    EXPECT_EQ(sevens->MeldLength(), 40);
    EXPECT_EQ(sevens->MeldPoints(26), 130 << 23);
    EXPECT_EQ(sevens->MeldPoints(27), INT_MAX);
    EXPECT_EQ(sevens->MeldPoints(40), INT_MAX);
    // Below the minimum: the plain sum; beyond the stack: the whole stack.
    EXPECT_EQ(sevens->MeldPoints(2), 10);
    EXPECT_EQ(StackFromTop({"7C", "7D", "7H"})->MeldPoints(5), 15);
    settings.minMeldLength = 0;
    EXPECT_EQ(sevens->MeldPoints(3), 120);
    EXPECT_EQ(sevens->MeldPoints(32), INT_MAX);
}

// Only the top five cards count: too few, four-card straights and flushes,
// three of a kind and two pair are nothing; any two ranks over several suits
// make a full house, and the ace counts low only when that makes the
// stronger hand.
TEST(Melds, PokerHandsJudgeOnlyTheTopFiveCards)
{
    ExpectMelds(2, {{{"10S", "JS", "QS", "KS", "AS"}, 5, 1000}, {{"KC", "KD", "KH", "KS"}, 4, 173},
                    {{"AC", "2D", "3H", "4S", "5C"}, 5, 10}, {{}, 0}, {{"KC", "KD", "KH"}, 0},
                    {{"2C", "3D", "4H", "5S"}, 0}, {{"2C", "5C", "9C", "JC"}, 0}, {{"KC", "KD", "KH", "2S", "3S"}, 0},
                    {{"KC", "KD", "2H", "2S", "3S"}, 0}, {{"6C", "7D", "8H", "9S", "10C", "KD"}, 5, 26},
                    {{"10C", "JD", "QH", "KS", "AC"}, 5, 40}, {{"KC", "2C", "KD", "KH", "KS"}, 5, 90},
                    {{"AC", "2C", "3C", "4C", "5C"}, 5, 250}, {{"AC", "3C", "5C", "7C", "9C"}, 5, 12}});
}

// Read low, the ace reaches 21 a card later: the longer meld wins. Rule sets
// the program does not know find and score nothing.
TEST(Melds, TwentyOneCountsCardsUntilTheSumIsExactly21)
{
    ExpectMelds(3, {{{"AC", "KD"}, 2, 42}, {{"10C", "6D", "5H"}, 3, 21}, {{}, 0}, {{"10C", "9D", "5H", "AS"}, 0},
                    {{"JC", "QD", "KH"}, 0}, {{"AC", "10D", "QH"}, 3, 21}});
    for (const std::int32_t regime : {0, 4}) {
        test::SettingsScope scope([regime](Settings& s) { s.CollapseRegime = regime; });
        const auto sevens = StackFromTop({"7C", "7D", "7H"});
        EXPECT_EQ(std::pair(sevens->MeldLength(), sevens->MeldPoints(3)), std::pair(0, 0)) << regime;
    }
}

} // namespace
} // namespace tw
