#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "model/Card.h"
#include "platform/Bitmap.h"

namespace tw {

struct GameDC;

// The falling card: the card itself, where it is, and a save-under copy of
// the pixels it covers. Moving it puts those pixels back and saves the ones at
// the new place, so the playfield is never repainted for a move. At most one
// save-under bitmap exists, from Show to the next Erase or TakeCard.
class CardSprite {
public:
    CardSprite() = default;
    CardSprite(const CardSprite&) = delete;
    CardSprite& operator=(const CardSprite&) = delete;

    void SetPosition(std::int32_t newX, std::int32_t newY);
    std::int32_t GetX() const { return x; }
    std::int32_t GetY() const { return y; }

    const Card* GetCard() const { return card.get(); }
    // Replaces the falling card; its position and saved pixels stay.
    void SetCard(std::unique_ptr<Card> newCard);

    // Copies the pixels under the card, unless a copy is already held: then
    // the earlier pixels stay.
    void SaveBackground(GameDC& dc);
    void RestoreBackground(GameDC& dc);
    void FreeBackground();

    // Puts back the saved pixels, if any.
    void Erase(GameDC& dc);
    void Show(GameDC& dc);
    // After a swap: wipes the old image with the saved pixels and draws the
    // current card in its place.
    void Redraw(GameDC& dc);
    // Without a drawing context only the position changes.
    void MoveTo(std::int32_t newX, std::int32_t newY, GameDC* dc);
    void MoveBy(std::int32_t dx, std::int32_t dy, GameDC* dc);

    // Hands the card over where it lies: the saved pixels are dropped, not
    // put back, so the card's image stays on the screen.
    std::unique_ptr<Card> TakeCard();

private:
    // Card rows [first, first + count), columns [left, left + columns),
    // between the screen at the card's place and the saved bitmap, in either
    // direction.
    enum class Towards { Saved, Screen };
    void CopyBlock(GameDC& dc, std::int32_t first, std::int32_t count, std::int32_t left, std::int32_t columns,
                   Towards towards);
    void CopyRows(GameDC& dc, std::int32_t first, std::int32_t count, Towards towards);
    void SaveWhole(GameDC& dc);
    void PutBackWhole(GameDC& dc);
    void Step(GameDC& dc, std::int32_t dy);
    void PutBackCornersOverOldPicture(GameDC& dc, std::int32_t dy);
    void DrawCard(GameDC& dc) const;

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::unique_ptr<Card> card;
    std::optional<Bitmap> background; // held exactly while saved
    // The saved bitmap's row that holds the card's top row; the rows wrap
    // around. A step down or up then puts back the rows it uncovers and
    // reuses them for the ones it covers: a tick of the fall copies a strip,
    // not the whole card twice.
    std::int32_t topRow = 0;
};

} // namespace tw
