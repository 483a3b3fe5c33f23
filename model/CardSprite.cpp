#include "model/CardSprite.h"

#include <utility>

#include "model/GameDC.h"
#include "platform/DeviceContext.h"
#include "presentation/CardPainter.h"

namespace tw {

void CardSprite::SetPosition(std::int32_t newX, std::int32_t newY)
{
    x = newX;
    y = newY;
}

void CardSprite::SetCard(std::unique_ptr<Card> newCard) { card = std::move(newCard); }

void CardSprite::SaveBackground(GameDC& dc)
{
    if (background) {
        return;
    }
    Bitmap saved = CreateCompatibleBitmap(dc.dc, dc.cards.CardWidth(), dc.cards.CardHeight());
    MemoryDC memory(dc.dc);
    memory.SelectBitmap(&saved);
    memory.BitBlt(0, 0, dc.cards.CardWidth(), dc.cards.CardHeight(), dc.dc, x, y, RasterOp::SrcCopy);
    background = std::move(saved);
}

void CardSprite::RestoreBackground(GameDC& dc)
{
    if (background) {
        MemoryDC memory(dc.dc);
        memory.SelectBitmap(&*background);
        dc.dc.BitBlt(x, y, dc.cards.CardWidth(), dc.cards.CardHeight(), memory, 0, 0, RasterOp::SrcCopy);
    }
    FreeBackground();
}

void CardSprite::FreeBackground() { background.reset(); }

void CardSprite::Erase(GameDC& dc)
{
    if (background) {
        RestoreBackground(dc);
    }
}

void CardSprite::Show(GameDC& dc)
{
    SaveBackground(dc);
    if (card) {
        card->Draw(dc, x, y, true);
    }
}

void CardSprite::Redraw(GameDC& dc)
{
    Erase(dc);
    Show(dc);
}

void CardSprite::MoveTo(std::int32_t newX, std::int32_t newY, GameDC* dc)
{
    if (dc) {
        Erase(*dc);
    }
    SetPosition(newX, newY);
    if (dc) {
        Show(*dc);
    }
}

void CardSprite::MoveBy(std::int32_t dx, std::int32_t dy, GameDC* dc)
{
    MoveTo(x + dx, y + dy, dc);
}

std::unique_ptr<Card> CardSprite::TakeCard()
{
    FreeBackground();
    return std::move(card);
}

} // namespace tw
