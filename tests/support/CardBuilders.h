#pragma once

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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
    for (auto it = fromTop.rbegin(); it != fromTop.rend(); ++it) {
        stack->PushCard(std::make_unique<Card>(Code(*it)));
    }
    return stack;
}

} // namespace tw::test
