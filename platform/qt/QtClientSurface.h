#pragma once

#include <QPaintEvent>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "platform/ClientLayout.h"
#include "platform/DeviceContext.h"

namespace tw {

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
    void SetLeast(QSize size) { least = {size.width(), size.height()}; }

    QSize LogicalSize() const { return {layout.logical.cx, layout.logical.cy}; }

    // Gives the image the client area's size and the zoomed screen's scale;
    // true when it changed and needs the game's picture again.
    bool FitImage()
    {
        // Qt lays out in device-independent pixels.
        layout = ClientLayoutFor({width(), height()}, least, 1, devicePixelRatioF());
        if (image.Width() == layout.logical.cx && image.Height() == layout.logical.cy
            && image.Scale() == layout.imageScale) {
            return false;
        }
        // Move-assigned: drawing contexts hold on to this very object.
        image = Bitmap(layout.logical.cx, layout.logical.cy, layout.imageScale);
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
    // The widget's pixels that show a logical area of the image.
    QRect Shown(const Rect& area) const;

    Size least;
    ClientLayout layout;
    bool batched = false;
    bool showing = false;
};

} // namespace tw
