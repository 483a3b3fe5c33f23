#include "platform/qt/QtClientSurface.h"

#include <QImage>
#include <QPainter>

#include <cmath>

#include "platform/MainWindow.h"
#include "platform/qt/QtMainWindow.h"

namespace tw {

QRect QtClientSurface::Shown(const Rect& area) const
{
    const qreal zoom = layout.pixelsPerLogical;
    QRect shown(QPoint(static_cast<int>(std::floor(layout.origin.x + area.left * zoom)),
                       static_cast<int>(std::floor(layout.origin.y + area.top * zoom))),
                QPoint(static_cast<int>(std::ceil(layout.origin.x + area.right * zoom)) - 1,
                       static_cast<int>(std::ceil(layout.origin.y + area.bottom * zoom)) - 1));
    // Smoothed, a screen pixel at the edge of the area mixes in the image's
    // pixels on both sides of it; it is repainted too.
    if (!layout.exact) {
        shown.adjust(-1, -1, 1, 1);
    }
    return shown;
}

void QtClientSurface::paintEvent(QPaintEvent* event)
{
    const QImage view(reinterpret_cast<const uchar*>(image.Data().data()), image.Width() * image.Scale(),
                      image.Height() * image.Scale(), image.Width() * image.Scale() * 4, QImage::Format_RGB32);
    const QRect area = event->rect();
    const QRectF target(QPointF(layout.origin.x, layout.origin.y),
                        QSizeF(image.Width() * layout.pixelsPerLogical, image.Height() * layout.pixelsPerLogical));
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
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !layout.exact);
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
