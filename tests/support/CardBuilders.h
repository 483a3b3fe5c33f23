#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <ranges>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/Deck.h"
#include "model/Stack.h"

namespace tw::test {

// "AC", "10D", "QH", "KS": rank A, 2..10, J, Q, K; suit C 0, D 1, H 2, S 3.
inline CardCode Code(std::string_view name)
{
    constexpr std::array<std::string_view, 13> Ranks{"A", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K"};
    constexpr std::string_view Suits = "CDHS";
    for (std::int32_t rank = 0; rank < 13 && !name.empty(); ++rank) {
        const auto suit = Suits.find(name.back());
        if (Ranks[rank] == name.substr(0, name.size() - 1) && suit != std::string_view::npos) {
            return MakeCardCode(rank, static_cast<std::int32_t>(suit));
        }
    }
    throw std::invalid_argument("no such card: " + std::string(name));
}

// Cards as a player reads the column: the top card first.
inline std::unique_ptr<Stack> StackFromTop(const std::vector<std::string_view>& fromTop)
{
    auto stack = std::make_unique<Stack>();
    std::ranges::for_each(fromTop | std::views::reverse,
                          [&](std::string_view card) { stack->PushCard(std::make_unique<Card>(Code(card))); });
    return stack;
}

// A deck whose pile holds exactly these cards, in an order of its own.
inline std::unique_ptr<Deck> DeckOf(const std::vector<std::string_view>& cards)
{
    auto deck = std::make_unique<Deck>();
    std::ranges::for_each(cards, [&](std::string_view card) { deck->Reinsert(Code(card)); });
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
        std::ranges::for_each(order, [&](std::size_t i) { deck->Reinsert(wanted[i]); });
        const auto pile = deck->PileCodes(); // the next card to deal is last
        if (std::equal(pile.rbegin(), pile.rend(), wanted.begin(), wanted.end())) {
            return deck;
        }
    } while (std::next_permutation(order.begin(), order.end()));
    throw std::logic_error("no insertion order deals these cards in order");
}

} // namespace tw::test
