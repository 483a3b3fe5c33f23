#include <gtest/gtest.h>

#include <memory>
#include <tuple>
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

// rank * 4 + suit, the ace lowest; a new card lies face up with back 54.
TEST(Card, CodesRankAndSuitAndIsMadeFaceUp)
{
    EXPECT_EQ(std::pair(CardRank(51), CardSuit(51)), std::pair(12, 3));
    EXPECT_EQ(MakeCardCode(3, 2), 14);
    const Card card(17);
    EXPECT_EQ(std::tuple(card.GetCode(), card.GetDrawMode(), card.GetBackDesign()), std::tuple(17, FaceUp, 54));
    // The card lives on this frame: a node that deleted it would be a bad free.
    Card onFrame(42);
    std::make_unique<CardNode>(&onFrame).reset();
    EXPECT_EQ(onFrame.GetCode(), 42);
}

TEST(StackList, PushesOnTopOfAnEmptySlotBaseAndPopsInReverse)
{
    const auto stack = StackFromTop({"5C", "KD", "AS"});
    EXPECT_EQ(stack->GetBaseNode()->GetCard()->GetCode(), 3);
    EXPECT_EQ(stack->GetBaseNode()->GetCard()->GetDrawMode(), EmptySlot);
    EXPECT_EQ(CodesFromTop(*stack), (std::vector{Code("5C"), Code("KD"), Code("AS")}));

    EXPECT_EQ(stack->PopTop()->GetCode(), Code("5C"));
    EXPECT_EQ(CodesFromTop(*stack), (std::vector{Code("KD"), Code("AS")}));
    stack->PopTop();
    stack->PopTop();
    EXPECT_EQ(stack->PopTop(), nullptr);
    EXPECT_EQ(stack->GetTopNode(), stack->GetBaseNode());
    EXPECT_TRUE(CodesFromTop(*stack).empty());

    EXPECT_EQ(stack->PushCard(nullptr), 0);
    EXPECT_EQ(stack->GetCount(), 0);
}

// Leaks and double frees of cards or nodes are the sanitizers' to report;
// every stack here is destroyed holding cards.
TEST(StackList, ClearEmptiesTheStackForReuse)
{
    const auto stack = StackFromTop({"2C", "3C"});
    EXPECT_EQ(stack->Clear(), 1);
    EXPECT_TRUE(CodesFromTop(*stack).empty());
    EXPECT_EQ(stack->PushCard(std::make_unique<Card>(7)), 1);
    EXPECT_EQ(CodesFromTop(*stack), std::vector<CardCode>{7});
}

TEST(StackGeometry, EachCardLandsOneStepFurtherFromTheBaseInEitherDirection)
{
    for (const int d : {1, -1}) {
        SCOPED_TRACE(d);
        test::SettingsScope scope([d](Settings& s) { s.UpDown = d; });
        const std::int32_t baseY = d == 1 ? 308 : 20;
        Stack stack;
        stack.SetPosition(100, baseY);
        EXPECT_EQ(std::pair(stack.GetX(), stack.GetY()), std::pair(100, baseY));
        for (int n = 0; n <= 13; ++n) {
            EXPECT_EQ(stack.LandingY(), baseY - 24 * n * d);
            // Seen from the deal height; 0 at twelve cards, where no card fits.
            EXPECT_EQ(stack.DistanceToLanding(0, baseY - 288 * d), 288 - 24 * n);
            stack.PushCard(std::make_unique<Card>(n));
        }
    }
}

} // namespace
} // namespace tw
