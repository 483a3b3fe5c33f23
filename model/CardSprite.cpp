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

void CardSprite::CopyUnder(GameDC& dc, Bitmap& saved) const
{
    MemoryDC memory(dc.dc);
    memory.SelectBitmap(&saved);
    memory.BitBlt(0, 0, dc.cards.CardWidth(), dc.cards.CardHeight(), dc.dc, x, y, RasterOp::SrcCopy);
}

void CardSprite::PutBack(GameDC& dc, Bitmap& saved) const
{
    MemoryDC memory(dc.dc);
    memory.SelectBitmap(&saved);
    dc.dc.BitBlt(x, y, dc.cards.CardWidth(), dc.cards.CardHeight(), memory, 0, 0, RasterOp::SrcCopy);
}

void CardSprite::SaveBackground(GameDC& dc)
{
    if (background) {
        return;
    }
    Bitmap saved = CreateCompatibleBitmap(dc.dc, dc.cards.CardWidth(), dc.cards.CardHeight());
    CopyUnder(dc, saved);
    background = std::move(saved);
}

void CardSprite::RestoreBackground(GameDC& dc)
{
    if (background) {
        PutBack(dc, *background);
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
    if (dc && background) {
        // The save-under bitmap moves along: a new one for every step of the
        // fall would be allocated and cleared at the screen's full scale.
        PutBack(*dc, *background);
        SetPosition(newX, newY);
        CopyUnder(*dc, *background);
        if (card) {
            card->Draw(*dc, x, y, true);
        }
        return;
    }
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
