#pragma once

#include <cstdint>
#include <optional>

#include "platform/Bitmap.h"
#include "presentation/CardDrawMode.h"

namespace tw {

class CardLibrary;
class DeviceContext;

// Puts card images on a drawing context: faces and backs through the card
// component, the empty-slot marker from the two overlay bitmaps, and the
// wiping of a card's rectangle with the background colour.
class CardPainter {
public:
    CardPainter(const CardLibrary& library, Bitmap& overlayMask, Bitmap& overlayImage);
    CardPainter(const CardPainter&) = delete;
    CardPainter& operator=(const CardPainter&) = delete;

    int CardWidth() const;
    int CardHeight() const;
    // How far from each corner a face or back may leave what lies beneath
    // showing: the rest of its rectangle is wholly covered.
    int CornerSize() const;

    // Draws the card with its top-left corner at (x, y), or, when not
    // visible, fills its rectangle with the background colour.
    void Draw(DeviceContext& dc, int x, int y, std::int32_t code, std::int32_t drawMode,
              std::int32_t backDesign, bool visible) const;

private:
    void DrawEmptySlot(DeviceContext& dc, int x, int y) const;

    const CardLibrary& library;
    Bitmap& overlayMask;
    Bitmap& overlayImage;
    // The overlays drawn for the last device scale above 1 met.
    mutable std::optional<Bitmap> scaledMask, scaledImage;
};

} // namespace tw
