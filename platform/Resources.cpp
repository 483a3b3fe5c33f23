#include "platform/Resources.h"

#include <string>

namespace tw {

std::optional<Bitmap> LoadBitmapResource(int id)
{
    return Bitmap::Load(":/bitmap/" + std::to_string(id));
}

} // namespace tw
