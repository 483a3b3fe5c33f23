// Putting the whole playfield and its status texts on the screen.

#include <algorithm>
#include <optional>
#include <string>

#include "model/Board.h"
#include "model/BoardHost.h"
#include "model/Deck.h"
#include "model/Stack.h"
#include "model/StackRow.h"
#include "platform/DeviceContext.h"
#include "platform/Window.h"
#include "presentation/CardPainter.h"
#include "settings/Settings.h"

namespace tw {
namespace {

// Drawn over a stack's points when they expire; wide enough to cover any.
const std::string kPointsBlank(20, ' ');
constexpr std::int32_t kPointsBelowRow = 4;
// Round the playfield in the smallest window: the row is centred, so this
// lies left and right of it, and below the lowest text or card.
constexpr int kPlayfieldMargin = 6;

} // namespace

Size Board::PlayfieldSize(int cardWidth, int cardHeight, int textHeight)
{
    const int width = kColumns * cardWidth + (kColumns - 1) * StackRow::kGap;
    // Cards falling down: the points under the row are lowest.
    const int down = StackRow::kBaseFromTop + cardHeight + kPointsBelowRow + textHeight;
    // Stacks hanging from the top: a card is dealt far below them, and the
    // points follow the lowest card of a stack that has all but reached it.
    const int up = StackRow::kBaseFromTopUpsideDown;
    const int fullStack = StackRow::kDealDistance / Stack::CardStep;
    const int dealt = up + StackRow::kDealDistance + cardHeight;
    const int pointsUnderFullStack = up + cardHeight + kPointsBelowRow + (fullStack - 1) * Stack::CardStep + textHeight;
    return {width + 2 * kPlayfieldMargin, std::max({down, dealt, pointsUnderFullStack}) + kPlayfieldMargin};
}

void Board::Paint(DeviceContext& dc)
{
    clientRect = host.GameWindow().GetClientRect();
    const RowLayout layout = stackRow->Layout(clientRect);
    startX = layout.startX;
    dealY = layout.dealY;
    startColumn = layout.startColumn;
    rowRect = layout.rowRect;

    GameDC gameDc = MakeGameDC(dc);
    stackRow->DrawAll(gameDc);
    PlaceCard(gameDc);
    PaintStatus(dc, false);
}

void Board::PaintStatus(DeviceContext& dc, bool erase)
{
    dc.SetTextColor(static_cast<ColorRef>(settings.ForegroundColor));
    const ColorRef previous = dc.SetBkColor(static_cast<ColorRef>(settings.BackgroundColor));
    PaintScore(dc);
    PaintDeckCount(dc);
    PaintStackPoints(dc, erase);
    dc.SetBkColor(previous);
}

// The trailing blanks wipe out the tail of a longer score shown before.
void Board::PaintScore(DeviceContext& dc)
{
    dc.TextOut(rowRect.left, 0, "Score: " + std::to_string(score) + "     ");
}

// The falling card still counts as in the deck.
void Board::PaintDeckCount(DeviceContext& dc)
{
    if (settings.OneDeck == 0) {
        return;
    }
    const std::string text = "     Cards in deck: " + std::to_string(deck->RemainingCount() + 1);
    const std::optional<Size> extent = dc.GetTextExtent(text);
    dc.TextOut(extent ? rowRect.right - extent->cx : rowRect.right, 0, text);
}

void Board::PaintStackPoints(DeviceContext& dc, bool erase)
{
    const int cardWidth = host.Cards().CardWidth();
    const std::int32_t pitch = (rowRect.right - rowRect.left - cardWidth) / 6;
    for (std::int32_t i = 0; i < kColumns; ++i) {
        std::string text;
        if (stackPoints[i] != 0) {
            text = std::to_string(stackPoints[i]) + " pts";
        } else if (erase) {
            text = kPointsBlank;
        } else {
            continue;
        }
        std::int32_t x = rowRect.left + i * pitch + cardWidth / 2;
        std::int32_t y = rowRect.bottom + kPointsBelowRow;
        if (settings.UpDown != 1) {
            // Hanging stacks grow downward: the points follow the lowest card.
            std::int32_t cards = stackRow->CardCount(i);
            if (cards > 0) {
                --cards;
            }
            y += cards * Stack::CardStep;
        }
        if (const std::optional<Size> extent = dc.GetTextExtent(text)) {
            x -= extent->cx / 2;
        }
        dc.TextOut(x, y, text);
    }
}

} // namespace tw
