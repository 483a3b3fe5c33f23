#include "model/Stack.h"

#include "settings/Settings.h"

namespace tw {

namespace {

// The base card's face is never shown; any code would do.
constexpr CardCode BaseCardCode = 3;

} // namespace

Stack::Stack()
{
    auto* baseCard = new Card(BaseCardCode);
    baseCard->SetDrawMode(EmptySlot);
    baseNode = new CardNode(baseCard);
    topNode = baseNode;
}

Stack::~Stack()
{
    Clear();
    delete baseNode->GetCard();
    delete baseNode;
}

void Stack::SetPosition(std::int32_t newX, std::int32_t newY)
{
    x = newX;
    y = newY;
}

std::int32_t Stack::GetX() const
{
    return x;
}

std::int32_t Stack::GetY() const
{
    return y;
}

std::int32_t Stack::GetCount() const
{
    return count;
}

const CardNode* Stack::GetTopNode() const
{
    return topNode;
}

const CardNode* Stack::GetBaseNode() const
{
    return baseNode;
}

std::int32_t Stack::PushCard(std::unique_ptr<Card> card)
{
    // Every walk over the list reads the card's code.
    if (!card) {
        return 0;
    }
    auto* node = new CardNode(card.get());
    card.release();
    node->SetNext(topNode);
    topNode->SetPrev(node);
    topNode = node;
    ++count;
    return 1;
}

std::unique_ptr<Card> Stack::PopTop()
{
    if (topNode == baseNode) {
        return nullptr;
    }
    CardNode* node = topNode;
    topNode = node->GetNext();
    topNode->SetPrev(nullptr);
    std::unique_ptr<Card> card(node->GetCard());
    delete node;
    --count;
    return card;
}

std::int32_t Stack::Clear()
{
    while (topNode != baseNode) {
        CardNode* node = topNode;
        topNode = node->GetNext();
        delete node->GetCard();
        delete node;
    }
    baseNode->SetPrev(nullptr);
    count = 0;
    return 1;
}

std::int32_t Stack::LandingY() const
{
    return y - count * CardStep * settings.UpDown;
}

std::int32_t Stack::DistanceToLanding([[maybe_unused]] std::int32_t cardX, std::int32_t cardY) const
{
    return (LandingY() - cardY) * settings.UpDown;
}

} // namespace tw
