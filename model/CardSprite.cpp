#include "model/CardSprite.h"

#include <algorithm>
#include <cstdlib>
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

void CardSprite::CopyRows(GameDC& dc, std::int32_t first, std::int32_t count, Towards towards)
{
    const std::int32_t width = dc.cards.CardWidth();
    const std::int32_t height = dc.cards.CardHeight();
    MemoryDC memory(dc.dc);
    memory.SelectBitmap(&*background);
    // At most two pieces: up to the saved bitmap's last row, then on from its first.
    while (count > 0) {
        const std::int32_t savedRow = (topRow + first) % height;
        const std::int32_t rows = std::min(count, height - savedRow);
        if (towards == Towards::Saved) {
            memory.BitBlt(0, savedRow, width, rows, dc.dc, x, y + first, RasterOp::SrcCopy);
        } else {
            dc.dc.BitBlt(x, y + first, width, rows, memory, 0, savedRow, RasterOp::SrcCopy);
        }
        first += rows;
        count -= rows;
    }
}

void CardSprite::SaveWhole(GameDC& dc)
{
    topRow = 0;
    CopyRows(dc, 0, dc.cards.CardHeight(), Towards::Saved);
}

void CardSprite::PutBackWhole(GameDC& dc) { CopyRows(dc, 0, dc.cards.CardHeight(), Towards::Screen); }

void CardSprite::DrawCard(GameDC& dc) const
{
    if (card) {
        card->Draw(dc, x, y, true);
    }
}

void CardSprite::SaveBackground(GameDC& dc)
{
    if (background) {
        return;
    }
    background = CreateCompatibleBitmap(dc.dc, dc.cards.CardWidth(), dc.cards.CardHeight());
    SaveWhole(dc);
}

void CardSprite::RestoreBackground(GameDC& dc)
{
    if (background) {
        PutBackWhole(dc);
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
    DrawCard(dc);
}

void CardSprite::Redraw(GameDC& dc)
{
    // The saved pixels still lie under the same place: they wipe the old
    // image and stay saved, with no new bitmap to allocate at full scale.
    if (background) {
        PutBackWhole(dc);
    }
    Show(dc);
}

void CardSprite::Step(GameDC& dc, std::int32_t dy)
{
    const std::int32_t height = dc.cards.CardHeight();
    const std::int32_t rows = std::abs(dy);
    CopyRows(dc, dy > 0 ? 0 : height - rows, rows, Towards::Screen);
    y += dy;
    topRow = ((topRow + dy) % height + height) % height;
    CopyRows(dc, dy > 0 ? height - rows : 0, rows, Towards::Saved);
}

void CardSprite::MoveTo(std::int32_t newX, std::int32_t newY, GameDC* dc)
{
    if (dc && background) {
        // The save-under bitmap moves along: a new one for every step of the
        // fall would be allocated and cleared at the screen's full scale.
        const std::int32_t dy = newY - y;
        if (newX == x && dy != 0 && std::abs(dy) < dc->cards.CardHeight()) {
            Step(*dc, dy);
        } else {
            PutBackWhole(*dc);
            SetPosition(newX, newY);
            SaveWhole(*dc);
        }
        DrawCard(*dc);
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
