#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "model/Card.h"
#include "model/CardNode.h"

namespace tw {
namespace {

static_assert(std::has_virtual_destructor_v<Card> && !std::is_copy_constructible_v<Card>);
static_assert(std::has_virtual_destructor_v<CardNode> && !std::is_copy_constructible_v<CardNode>);

TEST(CardCode, RanksRunUpFromTheAceAndTheSuitIsTheLowTwoBits)
{
    EXPECT_EQ(std::pair(CardRank(0), CardSuit(0)), std::pair(0, 0));
    EXPECT_EQ(std::pair(CardRank(3), CardSuit(3)), std::pair(0, 3));
    EXPECT_EQ(std::pair(CardRank(48), CardSuit(48)), std::pair(12, 0));
    EXPECT_EQ(std::pair(CardRank(51), CardSuit(51)), std::pair(12, 3));
    EXPECT_EQ(MakeCardCode(12, 3), 51);
}

TEST(Card, IsMadeFaceUpWithBackDesign54)
{
    const Card card(17);
    EXPECT_EQ(card.GetCode(), 17);
    EXPECT_EQ(card.GetDrawMode(), FaceUp);
    EXPECT_EQ(card.GetBackDesign(), 54);
}

TEST(CardNode, DestroyingANodeLeavesItsCardAlone)
{
    // The card lives on this frame: a node that deleted it would be a bad free.
    Card card(42);
    std::make_unique<CardNode>(&card).reset();
    EXPECT_EQ(card.GetCode(), 42);
}

} // namespace
} // namespace tw
