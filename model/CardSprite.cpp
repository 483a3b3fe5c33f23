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

void CardSprite::CopyBlock(GameDC& dc, std::int32_t first, std::int32_t count, std::int32_t left,
                           std::int32_t columns, Towards towards)
{
    if (count <= 0) {
        return;
    }
    const std::int32_t height = dc.cards.CardHeight();
    MemoryDC memory(dc.dc);
    memory.SelectBitmap(&*background);
    // At most two pieces: up to the saved bitmap's last row, then on from its first.
    while (count > 0) {
        const std::int32_t savedRow = (topRow + first) % height;
        const std::int32_t rows = std::min(count, height - savedRow);
        if (towards == Towards::Saved) {
            memory.BitBlt(left, savedRow, columns, rows, dc.dc, x + left, y + first, RasterOp::SrcCopy);
        } else {
            dc.dc.BitBlt(x + left, y + first, columns, rows, memory, left, savedRow, RasterOp::SrcCopy);
        }
        first += rows;
        count -= rows;
    }
}

void CardSprite::CopyRows(GameDC& dc, std::int32_t first, std::int32_t count, Towards towards)
{
    CopyBlock(dc, first, count, 0, dc.cards.CardWidth(), towards);
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
    PutBackCornersOverOldPicture(dc, dy);
}

// The card's rounded corners let the screen show through. Where the card,
// after a step of dy, still lies over its last picture, the saved pixels go
// back under those corners first: else the trailing corners would keep a
// patch of the old card. Only the corners, not the rows: a tick stays a strip.
void CardSprite::PutBackCornersOverOldPicture(GameDC& dc, std::int32_t dy)
{
    const std::int32_t width = dc.cards.CardWidth();
    const std::int32_t height = dc.cards.CardHeight();
    const std::int32_t corner = dc.cards.CornerSize();
    // The card's rows [over, overEnd) lay over its last picture.
    const std::int32_t over = dy > 0 ? 0 : -dy;
    const std::int32_t overEnd = dy > 0 ? height - dy : height;
    const auto putBack = [&](std::int32_t first, std::int32_t end) {
        for (const std::int32_t left : {0, width - corner}) {
            CopyBlock(dc, first, end - first, left, corner, Towards::Screen);
        }
    };
    putBack(over, std::min(overEnd, corner));
    putBack(std::max(over, height - corner), overEnd);
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
