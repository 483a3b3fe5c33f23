#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QValidator>

#include "platform/DialogHelpers.h"
#include "platform/qt/QtConvert.h"

namespace tw {

// Refuses an edit that would take the box past its limit.
class Utf8LimitValidator : public QValidator {
public:
    Utf8LimitValidator(int bytes, QObject* parent) : QValidator(parent), bytes(bytes) {}
    State validate(QString& input, int&) const override
    {
        return FitsEditLimit(ToStdString(input), bytes) ? Acceptable : Invalid;
    }

private:
    int bytes;
};

// A check box or radio button takes a click anywhere in its rectangle, not
// only on its mark and text, as the game's dialogs always have.
template <typename Button>
class WholeAreaButton final : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint& position) const override { return this->rect().contains(position); }
};

} // namespace tw
