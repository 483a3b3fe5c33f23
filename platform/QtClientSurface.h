#pragma once

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include "platform/DeviceContext.h"

namespace tw {

// Device pixels per logical pixel of the client area's image: whole pixels,
// never fewer than the screen has, so cards stay crisp. A little slack keeps
// a ratio of 2 computed as 2.0000001 at 2.
int ImageScaleFor(qreal devicePixelRatio);

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
        repaint(area.left, area.top, area.Width(), area.Height());
    }

    // Gives the image the widget's size and scale; true when it changed.
    bool FitImage()
    {
        const int scale = ImageScaleFor(devicePixelRatioF());
        if (image.Width() == width() && image.Height() == height() && image.Scale() == scale) {
            return false;
        }
        // Move-assigned: drawing contexts hold on to this very object.
        image = Bitmap(width(), height(), scale);
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
        const int scale = image.Scale();
        QPainter painter(this);
        // On a screen with a fractional ratio the image has more pixels than
        // the screen; averaging them keeps text and card edges even.
        if (devicePixelRatioF() != scale) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
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
    bool batched = false;
    bool showing = false;
};

} // namespace tw
