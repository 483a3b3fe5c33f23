#include "platform/Resources.h"

#include <QString>

#include <string>

#include "platform/qt/QtResources.h"

namespace tw {

std::optional<Bitmap> LoadBitmapResource(int id)
{
    return Bitmap::Load(":/bitmap/" + std::to_string(id));
}

QPixmap LoadIconResource(int id)
{
    return QPixmap(QStringLiteral(":/icon/%1").arg(id));
}

} // namespace tw
