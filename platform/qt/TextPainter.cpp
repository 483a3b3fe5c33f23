#include "platform/TextPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

namespace tw::text_painter {
namespace {

// A bold sans-serif cell 16 pixels high: the look of a classic desktop's
// default screen font.
const QFont& DefaultFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setStyleHint(QFont::SansSerif);
        f.setPixelSize(12);
        f.setWeight(QFont::Bold);
        f.setHintingPreference(QFont::PreferFullHinting);
        return f;
    }();
    return font;
}

QColor ToQColor(ColorRef colour)
{
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

bool FontsAvailable() { return QGuiApplication::instance() != nullptr; }

} // namespace

std::optional<Size> Measure(std::string_view text)
{
    if (!FontsAvailable()) {
        return std::nullopt;
    }
    const QFontMetrics metrics(DefaultFont());
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return Size{metrics.horizontalAdvance(string), metrics.height()};
}

std::optional<Rect> Draw(const PixelView& target, Point at, std::string_view text, ColorRef foreground,
                         ColorRef background)
{
    if (!target || !FontsAvailable()) {
        return std::nullopt;
    }
    const std::optional<Size> extent = Measure(text);
    if (!extent) {
        return std::nullopt;
    }
    QImage image(reinterpret_cast<uchar*>(target.pixels), target.width, target.height,
                 target.stride * static_cast<qsizetype>(sizeof(std::uint32_t)), QImage::Format_RGB32);
    image.setDevicePixelRatio(target.scale);

    const QRect cell(at.x, at.y, extent->cx, extent->cy);
    QPainter painter(&image);
    painter.fillRect(cell, ToQColor(background));
    painter.setFont(DefaultFont());
    painter.setPen(ToQColor(foreground));
    const QFontMetrics metrics(DefaultFont());
    painter.drawText(QPoint(at.x, at.y + metrics.ascent()),
                     QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return Rect::FromSize(at.x, at.y, extent->cx, extent->cy);
}

} // namespace tw::text_painter
