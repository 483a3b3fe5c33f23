#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

#include "platform/ColorRef.h"
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

// Qt keeps blue in the low byte; the game keeps red there.
inline QColor ToQColor(ColorRef colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

inline ColorRef ToColorRef(const QColor& colour)
{
    return Rgb(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
               static_cast<std::uint8_t>(colour.blue()));
}

inline Rect ToRect(const QRect& rect) { return Rect::FromSize(rect.x(), rect.y(), rect.width(), rect.height()); }

} // namespace tw
