#pragma once

#include <QPixmap>

namespace tw {

// Icon `id` from the program's resources at its own size; a null pixmap when
// the program has no such icon.
QPixmap LoadIconResource(int id);

} // namespace tw
