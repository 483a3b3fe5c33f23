#pragma once

class QRect;
class QWidget;

namespace tw {

// Implemented by the platform's Qt windows that can own a dialog or message
// box, so the dialog engine can find the widget behind a Window. A Window that
// is not one owns nothing.
class QtWindowOwner {
public:
    virtual QWidget* OwnerWidget() = 0;

protected:
    ~QtWindowOwner() = default;
};

// Where a top-level window stands as the player sees it, frame included. On
// X11 maximising is asynchronous: a window just told to maximise keeps its
// normal geometry until the window manager has acted, so a maximised window
// counts as its screen's available area.
QRect SeenFrameGeometry(const QWidget& window);

} // namespace tw
