#pragma once

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

} // namespace tw
