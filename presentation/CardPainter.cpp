#include "presentation/CardPainter.h"

#include "platform/DeviceContext.h"
#include "presentation/CardLibrary.h"
#include "presentation/ScaledOverlays.h"
#include "settings/Settings.h"

namespace tw {

CardPainter::CardPainter(const CardLibrary& library, Bitmap& overlayMask, Bitmap& overlayImage)
    : library(library), overlayMask(overlayMask), overlayImage(overlayImage)
{
}

int CardPainter::CardWidth() const { return library.GetCardWidth(); }

int CardPainter::CardHeight() const { return library.GetCardHeight(); }

int CardPainter::CornerSize() const { return CDT_CORNER; }

void CardPainter::Draw(DeviceContext& dc, int x, int y, std::int32_t code, std::int32_t drawMode,
                       std::int32_t backDesign, bool visible) const
{
    const ColorRef background = static_cast<ColorRef>(settings.BackgroundColor);
    if (!visible) {
        library.Draw(dc, x, y, code, Remove, background);
    } else if (drawMode == FaceDown) {
        library.Draw(dc, x, y, backDesign, FaceDown, background);
    } else if (drawMode == EmptySlot) {
        DrawEmptySlot(dc, x, y);
    } else {
        library.Draw(dc, x, y, code, drawMode, background);
    }
}

// The mask lightens the background under its grey ring and leaves the rest;
// the outline bitmap then darkens only its black edge. Whatever colour the
// playfield has shows through everywhere else.
void CardPainter::DrawEmptySlot(DeviceContext& dc, int x, int y) const
{
    Bitmap* mask = &overlayMask;
    Bitmap* image = &overlayImage;
    if (const int scale = dc.Scale(); scale > 1) {
        if (!scaledMask || scaledMask->Scale() != scale) {
            scaledMask = ScaledRingMask(overlayMask, scale);
            scaledImage = ScaledOutline(overlayImage, scale);
        }
        mask = &*scaledMask;
        image = &*scaledImage;
    }
    MemoryDC overlay(dc);
    overlay.SelectBitmap(mask);
    dc.BitBlt(x, y, CardWidth(), CardHeight(), overlay, 0, 0, RasterOp::MergePaint);
    overlay.SelectBitmap(image);
    dc.BitBlt(x, y, CardWidth(), CardHeight(), overlay, 0, 0, RasterOp::SrcAnd);
}

} // namespace tw
