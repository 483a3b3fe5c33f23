#include "platform/QtClientSurface.h"

#include <algorithm>
#include <cmath>

#include "platform/MainWindow.h"
#include "platform/QtMainWindowHost.h"

namespace tw {

int ImageScaleFor(qreal devicePixelRatio, int zoom)
{
    return std::max(1, static_cast<int>(std::ceil(devicePixelRatio * zoom - 1e-6)));
}

int ZoomFor(QSize widget, QSize least)
{
    if (least.width() <= 0 || least.height() <= 0) {
        return 1;
    }
    return std::max(1, std::min(widget.width() / least.width(), widget.height() / least.height()));
}

void ClientSurface::Refresh()
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

void ClientSurface::showEvent(QShowEvent*)
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
