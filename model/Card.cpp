#include "model/Card.h"

#include "presentation/CardPainter.h"

namespace tw {

Card::Card(CardCode code)
    : code(code)
{
}

Card::~Card() = default;

CardCode Card::GetCode() const
{
    return code;
}

void Card::SetDrawMode(CardDrawMode mode)
{
    drawMode = mode;
}

void Card::Draw(GameDC& dc, int x, int y, bool visible) const
{
    dc.cards.Draw(dc.dc, x, y, code, drawMode, backDesign, visible);
}

} // namespace tw
