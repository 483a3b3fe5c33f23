#pragma once

#include <QRect>
#include <QString>

#include <string>
#include <string_view>

#include "platform/Geometry.h"

// Conversions between the game's plain types and Qt's, for the platform's Qt
// code only.
namespace tw {

inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

inline Rect ToRect(const QRect& rect) { return Rect::FromSize(rect.x(), rect.y(), rect.width(), rect.height()); }

} // namespace tw
