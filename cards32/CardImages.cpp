#include "cards32/CardImages.h"

#include "cards32/cards32.h"

namespace cards32 {

bool IsCardImage(ImageKind kind, int index)
{
    if (kind == ImageKind::Back) {
        return index >= CDT_FIRST_BACK && index <= CDT_LAST_BACK;
    }
    return index >= 0 && index < 52;
}

} // namespace cards32
