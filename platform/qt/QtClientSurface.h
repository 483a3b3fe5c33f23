#pragma once

#include <QPaintEvent>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "platform/DeviceContext.h"

namespace tw {

// Device pixels per logical pixel of the client area's image: the zoom times
// the screen's ratio, rounded up to whole pixels so cards stay crisp. Where
// the product is fractional, the image has a little more pixels than the
// screen and is smoothed down by less than one. A little slack keeps
// 2.0000001 at 2. Never above Bitmap::kMaxScale: beyond it the image is
// smoothed up.
int ImageScaleFor(qreal devicePixelRatio, qreal zoom);

// Where the game's client area lies in the widget and how large it is shown.
struct ClientGeometry {
    // Widget pixels per logical pixel.
    qreal zoom = 1;
    // The game's client area in logical pixels.
    QSize logical;
    // The top left of the client area in the widget; left of or above the
    // widget where the area is a fraction of a logical pixel larger.
    QPoint origin;

    bool operator==(const ClientGeometry&) const = default;
};

// The playfield (`least`, the smallest client area the game lays out in) is
// shown as large as the widget holds it, never smaller than it is. The game
// centres its row across whatever width it is given, so the client area has
// the widget's width; a widget taller than the zoomed playfield shows it
// centred between two bands. Below a zoom of one the widget shows the area
// as it is.
ClientGeometry ClientGeometryFor(QSize widget, QSize least);

class QtMainWindow;

// The client area: the window's image, shown as it is. The game draws into
// the image and presents what it changed; exposure only puts the image back.
class QtClientSurface final : public QWidget, public Surface {
public:
    QtClientSurface(QtMainWindow& owner, QWidget* parent) : QWidget(parent), owner(owner)
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
        repaint(Shown(area));
    }

    // The playfield the zoom keeps whole; a larger widget shows it larger.
    void SetLeast(QSize size) { least = size; }

    QSize LogicalSize() const { return geometry.logical; }

    // Gives the image the client area's size and the zoomed screen's scale;
    // true when it changed and needs the game's picture again.
    bool FitImage()
    {
        geometry = ClientGeometryFor(size(), least);
        const int scale = ImageScaleFor(devicePixelRatioF(), geometry.zoom);
        const QSize logical = geometry.logical;
        if (image.Width() == logical.width() && image.Height() == logical.height() && image.Scale() == scale) {
            return false;
        }
        // Move-assigned: drawing contexts hold on to this very object.
        image = Bitmap(logical.width(), logical.height(), scale);
        return true;
    }

    // Erase and paint, as a window invalidated whole is; the screen gets the
    // finished picture in one go.
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

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
    // Whether every image pixel is a whole number of screen pixels.
    bool ShownExactly() const;
    // The widget's pixels that show a logical area of the image.
    QRect Shown(const Rect& area) const;

    QSize least;
    ClientGeometry geometry;
    bool batched = false;
    bool showing = false;
};

} // namespace tw
