#include "platform/qt/QtClientSurface.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/MainWindow.h"
#include "platform/qt/QtMainWindow.h"

namespace tw {

int ImageScaleFor(qreal devicePixelRatio, qreal zoom)
{
    return std::clamp(static_cast<int>(std::ceil(devicePixelRatio * zoom - 1e-6)), 1, Bitmap::kMaxScale);
}

ClientGeometry ClientGeometryFor(QSize widget, QSize least)
{
    if (least.width() <= 0 || least.height() <= 0 || widget.isEmpty()) {
        return {1, widget.expandedTo({1, 1}), {0, 0}};
    }
    const qreal zoom = std::max(1.0, std::min(qreal(widget.width()) / least.width(),
                                              qreal(widget.height()) / least.height()));
    // Rounded up, so the image covers the widget's last pixel; the slack
    // keeps an exact quotient from rounding up by one.
    const auto logical = [zoom](int pixels) { return static_cast<int>(std::ceil(pixels / zoom - 1e-9)); };
    const QSize size(logical(widget.width()), std::min(least.height(), logical(widget.height())));
    const QPoint origin(static_cast<int>(std::lround((widget.width() - size.width() * zoom) / 2)),
                        static_cast<int>(std::lround((widget.height() - size.height() * zoom) / 2)));
    return {zoom, size, origin};
}

bool QtClientSurface::ShownExactly() const
{
    const qreal devicePixels = geometry.zoom * devicePixelRatioF();
    return std::abs(devicePixels - image.Scale()) < 1e-9;
}

QRect QtClientSurface::Shown(const Rect& area) const
{
    const qreal zoom = geometry.zoom;
    QRect shown(QPoint(static_cast<int>(std::floor(geometry.origin.x() + area.left * zoom)),
                       static_cast<int>(std::floor(geometry.origin.y() + area.top * zoom))),
                QPoint(static_cast<int>(std::ceil(geometry.origin.x() + area.right * zoom)) - 1,
                       static_cast<int>(std::ceil(geometry.origin.y() + area.bottom * zoom)) - 1));
    // Smoothed, a screen pixel at the edge of the area mixes in the image's
    // pixels on both sides of it; it is repainted too.
    if (!ShownExactly()) {
        shown.adjust(-1, -1, 1, 1);
    }
    return shown;
}

void QtClientSurface::paintEvent(QPaintEvent* event)
{
    const QImage view(reinterpret_cast<const uchar*>(image.Data().data()), image.Width() * image.Scale(),
                      image.Height() * image.Scale(), image.Width() * image.Scale() * 4, QImage::Format_RGB32);
    const QRect area = event->rect();
    const QRectF target(geometry.origin, QSizeF(image.Width() * geometry.zoom, image.Height() * geometry.zoom));
    QPainter painter(this);
    painter.setClipRect(area);
    // The bands beside the playfield take the colour the game erased its
    // client area with: it never draws in its margins, so its corner has it.
    if (!target.contains(QRectF(area)) && !image.Data().empty()) {
        painter.fillRect(area, QColor::fromRgb(image.Data().front()));
    }
    // Smoothing averages the image's extra pixels into the screen's, so text
    // and card edges stay even at any zoom. Each screen pixel then mixes image
    // pixels around it, so the whole image is drawn, clipped: a part drawn
    // alone would mix in only its own, and leave faint seams where the
    // falling card has been.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !ShownExactly());
    painter.drawImage(target, view);
}

void QtClientSurface::Refresh()
{
    WindowHandler* handler = owner.Handler();
    if (!handler) {
        return;
    }
    {
        ClientDC dc(*this);
        batched = true;
        handler->OnEraseBackground(dc);
        handler->OnPaint(dc);
        batched = false;
    }
    repaint();
}

void QtClientSurface::showEvent(QShowEvent*)
{
    // Where the window system frames the window as it shows it, the size
    // is put right first, so the first picture is painted at the final size.
    showing = true;
    owner.FrameMayHaveChanged();
    showing = false;
    FitImage();
    Refresh();
}

} // namespace tw
