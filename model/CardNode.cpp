#include "model/CardNode.h"

namespace tw {

CardNode::CardNode(Card* card)
    : card(card)
{
}

CardNode::~CardNode() = default;

Card* CardNode::GetCard() const
{
    return card;
}

CardNode* CardNode::GetNext() const
{
    return next;
}

void CardNode::SetNext(CardNode* node)
{
    next = node;
}

CardNode* CardNode::GetPrev() const
{
    return prev;
}

void CardNode::SetPrev(CardNode* node)
{
    prev = node;
}

} // namespace tw
