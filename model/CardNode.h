#pragma once

namespace tw {

class Card;

// One link of a stack's card list. The node only points at its card: the
// stack owns both and deletes them separately, so destroying a node never
// touches the card.
class CardNode {
public:
    explicit CardNode(Card* card);
    virtual ~CardNode();

    CardNode(const CardNode&) = delete;
    CardNode& operator=(const CardNode&) = delete;

    Card* GetCard() const;
    CardNode* GetNext() const; // towards the base
    void SetNext(CardNode* node);
    CardNode* GetPrev() const; // towards the top
    void SetPrev(CardNode* node);

private:
    Card* card;
    CardNode* next = nullptr;
    CardNode* prev = nullptr;
};

} // namespace tw
