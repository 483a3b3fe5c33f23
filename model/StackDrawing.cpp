// The stack operations that touch the screen. Only the removed cards are
// wiped and only the card that becomes the top is drawn again: the playfield
// is never repainted for them.

#include <memory>

#include "model/Deck.h"
#include "model/GameDC.h"
#include "model/SoundEffects.h"
#include "model/Stack.h"
#include "settings/Settings.h"

namespace tw {

std::int32_t Stack::ClearingValue(CardCode code)
{
    const std::int32_t rank = CardRank(code);
    if (rank == 0) {
        return 15;
    }
    return rank >= 9 ? 10 : 5;
}

void Stack::Draw(GameDC& dc) const
{
    baseNode->GetCard()->Draw(dc, x, y, true);
    std::int32_t offset = 0;
    for (const CardNode* node = baseNode->GetPrev(); node; node = node->GetPrev()) {
        node->GetCard()->Draw(dc, x, y + offset, true);
        offset -= CardStep * settings.UpDown;
    }
}

std::int32_t Stack::Collapse(GameDC& dc, std::int32_t n, Deck* deck)
{
    const std::int32_t points = MeldPoints(n);
    const std::int32_t step = CardStep * settings.UpDown;
    std::int32_t offset = -(count - 1) * step;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::unique_ptr<Card> card = PopTop();
        if (!card) {
            break;
        }
        card->Draw(dc, x, y + offset, false);
        if (deck && settings.OneDeck == 2) {
            deck->Reinsert(card->GetCode());
        }
        if (count > 0) {
            offset += step;
        }
        // Wiping the removed card took a strip off the card beneath it.
        topNode->GetCard()->Draw(dc, x, y + offset, true);
        dc.sound.SoundEffect(220 + 110 * i, 50 + 600 / (i + 4), settings.Beep);
    }
    return points;
}

std::int32_t Stack::ClearAnimated(GameDC& dc)
{
    const std::int32_t step = CardStep * settings.UpDown;
    std::int32_t offset = -(count - 1) * step;
    std::int32_t value = 0;
    while (count > 0) {
        const std::unique_ptr<Card> card = PopTop();
        card->Draw(dc, x, y + offset, false);
        dc.sound.SoundEffect(120, 50, settings.Beep);
        if (count > 0) {
            offset += step;
        }
        value += ClearingValue(card->GetCode());
    }
    return value;
}

} // namespace tw
