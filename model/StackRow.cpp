#include "model/StackRow.h"

#include "model/Stack.h"
#include "settings/Settings.h"

namespace tw {

StackNode::StackNode(std::unique_ptr<Stack> stack) : stack(std::move(stack)) {}

StackNode::~StackNode() = default;

StackRow::StackRow(int cardWidth, int cardHeight) : cardWidth(cardWidth), cardHeight(cardHeight) {}

StackRow::~StackRow()
{
    while (first) {
        StackNode* next = first->GetNext();
        delete first;
        first = next;
    }
}

void StackRow::CreateStacks()
{
    for (std::int32_t column = 0; column < kColumns; ++column) {
        Append(std::make_unique<Stack>());
    }
}

std::int32_t StackRow::Append(std::unique_ptr<Stack> stack)
{
    auto* node = new StackNode(std::move(stack));
    if (!first) {
        first = node;
    } else {
        StackNode* last = first;
        while (last->GetNext()) {
            last = last->GetNext();
        }
        last->SetNext(node);
        node->SetPrev(last);
    }
    ++count;
    return 1;
}

Stack* StackRow::GetStack(std::int32_t column) const
{
    if (column < 0) {
        return nullptr;
    }
    StackNode* node = first;
    for (std::int32_t i = 0; node && i < column; ++i) {
        node = node->GetNext();
    }
    return node ? node->GetStack() : nullptr;
}

void StackRow::DrawAll(GameDC& dc) const
{
    for (StackNode* node = first; node; node = node->GetNext()) {
        node->GetStack()->Draw(dc);
    }
}

RowLayout StackRow::Layout(const Rect& clientRect)
{
    const std::int32_t pitch = cardWidth + kGap;
    const std::int32_t centre = (clientRect.left + clientRect.right) / 2;
    const std::int32_t left = centre - (kColumns * cardWidth) / 2 - 60;
    const std::int32_t baseY =
        clientRect.top + (settings.UpDown == -1 ? kBaseFromTopUpsideDown : kBaseFromTop);

    std::int32_t column = 0;
    for (StackNode* node = first; node; node = node->GetNext(), ++column) {
        node->GetStack()->SetPosition(left + column * pitch, baseY);
    }

    RowLayout layout;
    layout.startColumn = 3;
    layout.startX = left + layout.startColumn * pitch;
    layout.dealY = baseY - kDealDistance * settings.UpDown;
    layout.rowRect = {left, baseY, left + kColumns * cardWidth + 120, baseY + cardHeight};
    return layout;
}

std::int32_t StackRow::DistanceToLanding(std::int32_t x, std::int32_t y, std::int32_t column) const
{
    const Stack* stack = GetStack(column);
    return stack ? stack->DistanceToLanding(x, y) : -1;
}

std::int32_t StackRow::PushCard(std::int32_t column, std::unique_ptr<Card> card)
{
    Stack* stack = GetStack(column);
    return stack ? stack->PushCard(std::move(card)) : 0;
}

std::int32_t StackRow::LandingY(std::int32_t column) const
{
    const Stack* stack = GetStack(column);
    return stack ? stack->LandingY() : 0;
}

std::int32_t StackRow::CardCount(std::int32_t column) const
{
    const Stack* stack = GetStack(column);
    return stack ? stack->GetCount() : 0;
}

std::int32_t StackRow::MeldLength(std::int32_t column) const
{
    const Stack* stack = GetStack(column);
    return stack ? stack->MeldLength() : 0;
}

std::int32_t StackRow::Collapse(GameDC& dc, std::int32_t column, std::int32_t n, Deck* deck)
{
    Stack* stack = GetStack(column);
    return stack ? stack->Collapse(dc, n, deck) : 0;
}

std::int32_t StackRow::ClearAll(GameDC& dc)
{
    std::int32_t total = 0;
    for (StackNode* node = first; node; node = node->GetNext()) {
        total += node->GetStack()->ClearAnimated(dc);
        node->GetStack()->Draw(dc);
    }
    return total;
}

} // namespace tw
