#pragma once

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>

#include "platform/DeviceContext.h"

namespace tw {

// Device pixels per logical pixel of the client area's image: the zoom times
// the screen's ratio, rounded up to whole pixels so cards stay crisp. Where
// the product is fractional, the image has a little more pixels than the
// screen and is smoothed down by less than one; at 1.5 and zoom 2 it has
// exactly the screen's. A little slack keeps 2.0000001 at 2.
int ImageScaleFor(qreal devicePixelRatio, int zoom);

// How many times larger than its logical pixels the client area is shown:
// the largest whole factor at which the logical area still holds `least`
// (the playfield the program asked for), and never below 1. Whole, so every
// logical pixel is the same number of device pixels and cards stay crisp.
int ZoomFor(QSize widget, QSize least);

class QtMainWindow;

// The client area: the window's image, shown as it is. The game draws into
// the image and presents what it changed; exposure only puts the image back.
class ClientSurface final : public QWidget, public Surface {
public:
    ClientSurface(QtMainWindow& owner, QWidget* parent) : QWidget(parent), owner(owner)
    {
        setObjectName(QStringLiteral("clientArea"));
        setFocusPolicy(Qt::StrongFocus);
        // Every pixel comes from the image: no background of Qt's first.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    Bitmap& Image() override { return image; }

    void Present(const Rect& area) override
    {
        if (batched) {
            return;
        }
        // At once, not at the next turn of the event loop: the game sleeps
        // between the steps of its animations.
        QRect shown(area.left * zoom, area.top * zoom, area.Width() * zoom, area.Height() * zoom);
        // At a fractional ratio an edge of the area falls inside a screen
        // pixel, which the window system may leave out; it is repainted too.
        if (devicePixelRatioF() != std::floor(devicePixelRatioF())) {
            shown.adjust(-1, -1, 1, 1);
        }
        repaint(shown);
    }

    // The logical size the zoom keeps whole; a larger widget shows it larger.
    void SetLeast(QSize size) { least = size; }

    // The widget's size in logical pixels at a zoom, rounded up so that the
    // image covers every pixel of the widget.
    QSize LogicalSize(int atZoom) const
    {
        return {(width() + atZoom - 1) / atZoom, (height() + atZoom - 1) / atZoom};
    }
    QSize LogicalSize() const { return LogicalSize(zoom); }

    // Gives the image the widget's size, zoomed, and the screen's scale;
    // true when it changed.
    bool FitImage()
    {
        const int newZoom = ZoomFor(size(), least);
        const int scale = ImageScaleFor(devicePixelRatioF(), newZoom);
        const QSize logical = LogicalSize(newZoom);
        if (image.Width() == logical.width() && image.Height() == logical.height() && image.Scale() == scale) {
            return false;
        }
        // Move-assigned: drawing contexts hold on to this very object.
        image = Bitmap(logical.width(), logical.height(), scale);
        zoom = newZoom;
        return true;
    }

    // Erase and paint, as a window invalidated whole is; the screen gets the
    // finished picture in one go.
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QImage view(reinterpret_cast<const uchar*>(image.Data().data()), image.Width() * image.Scale(),
                          image.Height() * image.Scale(), image.Width() * image.Scale() * 4, QImage::Format_RGB32);
        const QRect area = event->rect();
        // Image pixels per pixel of the widget: the zoom is in the image.
        const int scale = image.Scale() / zoom;
        QPainter painter(this);
        // On a screen with a fractional ratio the image may have more pixels
        // than the screen; averaging them keeps text and card edges even. Each
        // screen pixel then mixes image pixels around it, so the whole image
        // is drawn, clipped: a part drawn alone would mix in only its own,
        // and leave faint seams where the falling card has been.
        if (devicePixelRatioF() != scale) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setClipRect(area);
            painter.drawImage(QRect(0, 0, image.Width() * zoom, image.Height() * zoom), view);
            return;
        }
        painter.drawImage(area, view,
                          QRect(area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale));
    }

    void resizeEvent(QResizeEvent*) override
    {
        // A hidden window is painted when it shows.
        if (FitImage() && isVisible() && !showing) {
            Refresh();
        }
    }

    void showEvent(QShowEvent*) override;

private:
    QtMainWindow& owner;
    Bitmap image{0, 0};
    QSize least;
    int zoom = 1;
    bool batched = false;
    bool showing = false;
};

} // namespace tw
