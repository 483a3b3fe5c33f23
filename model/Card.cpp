#include "model/Card.h"

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

CardDrawMode Card::GetDrawMode() const
{
    return drawMode;
}

std::int32_t Card::GetBackDesign() const
{
    return backDesign;
}

void Card::SetDrawMode(CardDrawMode mode)
{
    drawMode = mode;
}

} // namespace tw
