#pragma once

#include <algorithm>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "model/Deck.h"
#include "support/CardBuilders.h"

namespace tw::test {

// A deck whose pile holds exactly these cards, in an order of its own.
inline std::unique_ptr<Deck> DeckOf(const std::vector<std::string_view>& cards)
{
    auto deck = std::make_unique<Deck>();
    for (const std::string_view card : cards) {
        deck->Reinsert(Code(card));
    }
    return deck;
}

// A deck that deals these few cards in this order. Reinsert is the only way
// to put a chosen card into a pile, and it scatters them, so the insertion
// order that gives the wanted dealing order is searched for.
inline std::unique_ptr<Deck> DeckDealing(const std::vector<std::string_view>& inDealingOrder)
{
    std::vector<CardCode> wanted(inDealingOrder.size());
    std::ranges::transform(inDealingOrder, wanted.begin(), Code);
    std::vector<std::size_t> order(wanted.size());
    std::iota(order.begin(), order.end(), 0);
    do {
        auto deck = std::make_unique<Deck>();
        for (const std::size_t i : order) {
            deck->Reinsert(wanted[i]);
        }
        const auto pile = deck->PileCodes(); // the next card to deal is last
        if (std::equal(pile.rbegin(), pile.rend(), wanted.begin(), wanted.end())) {
            return deck;
        }
    } while (std::next_permutation(order.begin(), order.end()));
    throw std::logic_error("no insertion order deals these cards in order");
}

} // namespace tw::test
