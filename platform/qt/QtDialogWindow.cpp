#include "platform/qt/QtDialogWindow.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

#include "platform/qt/QtDialog.h"
#include "platform/qt/QtResources.h"

namespace tw {

bool QtDialogWindow::Build()
{
    const bool thin = dialogTemplate.style & ThinBorder;
    Qt::WindowFlags flags = Qt::Dialog;
    if (thin) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (dialogTemplate.style & WithSystemMenu) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
    }
    setWindowFlags(flags);
    setWindowTitle(ToQString(dialogTemplate.title));
    if (QPixmap icon = LoadIconResource(130); !icon.isNull()) {
        setWindowIcon(icon);
    }

    const QFont font = DialogFont(dialogTemplate);
    setFont(font);
    const DialogBaseUnits units = MeasureBaseUnits(font);

    // The template's size is the client area's; a thin border lies around it.
    const int border = thin ? 1 : 0;
    const QRect client = DialogUnitsToPixels(units, 0, 0, dialogTemplate.width, dialogTemplate.height);
    if (client.width() <= 0 || client.height() <= 0) {
        return false;
    }
    setFixedSize(client.width() + 2 * border, client.height() + 2 * border);

    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const QRect box = DialogUnitsToPixels(units, control.x, control.y, control.width, control.height)
                              .translated(border, border);
        const QString text = ToQString(control.text);
        QWidget* widget = nullptr;
        if (control.kind != ControlKind::RadioButton) {
            radioGroup = nullptr;
        }
        switch (control.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            // Static text wraps at words and starts at the top of its box.
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop | ((control.style & Centred) ? Qt::AlignHCenter : Qt::AlignLeft));
            widget = label;
            break;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, this);
            button->setAutoDefault(true);
            if (control.style & DefaultButton) {
                button->setDefault(true);
                defaultButton = button;
            }
            widget = button;
            break;
        }
        case ControlKind::CheckBox:
            widget = new WholeAreaButton<QCheckBox>(text, this);
            break;
        case ControlKind::RadioButton: {
            auto* radio = new WholeAreaButton<QRadioButton>(text, this);
            if (!radioGroup || (control.style & GroupStart)) {
                radioGroup = new QButtonGroup(this);
            }
            radioGroup->addButton(radio);
            widget = radio;
            break;
        }
        case ControlKind::EditBox: {
            auto* edit = new QLineEdit(text, this);
            edit->setReadOnly(control.style & ReadOnly);
            edit->setFrame(control.style & Bordered);
            widget = edit;
            break;
        }
        case ControlKind::EtchedLine: {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            widget = line;
            break;
        }
        case ControlKind::Icon: {
            const QPixmap icon = LoadIconResource(control.icon);
            if (icon.isNull()) {
                return false;
            }
            auto* label = new QLabel(this);
            label->setPixmap(icon);
            widget = label;
            break;
        }
        }
        // An icon control takes the icon's own size, whatever the template says.
        widget->setGeometry(control.kind == ControlKind::Icon
                                ? QRect(box.topLeft(), widget->sizeHint())
                                : box);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setFocusPolicy((control.style & TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
            const int id = control.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { Command(id); });
        } else if (control.kind == ControlKind::EditBox) {
            widget->setFocusPolicy((control.style & TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
        }
        if (control.style & TabStop) {
            tabStops.push_back(widget);
        }
        if (control.id != -1) {
            items.try_emplace(control.id, widget);
        }
    }
    return true;
}

std::string QtDialogWindow::GetItemText(int id) const
{
    const QWidget* item = Item(id);
    if (const auto* label = qobject_cast<const QLabel*>(item)) {
        return ToStdString(label->text());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(item)) {
        return ToStdString(button->text());
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(item)) {
        return ToStdString(edit->text());
    }
    return {};
}

void QtDialogWindow::SetItemText(int id, std::string_view text)
{
    QWidget* item = Item(id);
    if (auto* label = qobject_cast<QLabel*>(item)) {
        label->setText(ToQString(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(ToQString(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(item)) {
        edit->setText(ToQString(text));
        edit->setCursorPosition(0); // show the start, as an edit box does
    }
}

void QtDialogWindow::SetTimer(int id, int milliseconds)
{
    QTimer*& timer = timers[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (!ended) {
                handler.OnTimer(*this, id);
            }
        });
    }
    timer->start(std::max(milliseconds, 0));
}

void QtDialogWindow::EndDialog(DialogResult result)
{
    if (ended) {
        return;
    }
    ended = true;
    endResult = result;
    // The dialog's timers die with it; no tick may reach the handler later.
    for (auto& [id, timer] : timers) {
        timer->stop();
    }
    if (running) {
        done(static_cast<int>(result));
    }
}

QMargins QtDialogWindow::EstimatedFrame() const
{
    // Until the window system has framed the dialog its frame is unknown;
    // the owner's caption and borders are the best guess for its own.
    if (isVisible() || (dialogTemplate.style & ThinBorder) || !owner) {
        return {};
    }
    const QWidget* top = owner->window();
    const QRect outer = top->frameGeometry();
    const QRect inner = top->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

QRect SeenFrameGeometry(const QWidget& window)
{
    if (window.isMaximized() && !window.isMinimized() && window.screen()) {
        return window.screen()->availableGeometry();
    }
    return window.frameGeometry();
}

Rect QtDialogWindow::GetWindowRect() const
{
    if (isVisible()) {
        return ToRect(frameGeometry());
    }
    const QMargins frame = EstimatedFrame();
    const QSize outer = size().grownBy(frame);
    return ToRect(QRect(framePosition, outer));
}

void QtDialogWindow::keyPressEvent(QKeyEvent* event)
{
    // A focused push button takes Enter itself; anywhere else the dialog
    // turns Enter and Esc into OK and Cancel, buttons or none.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PressDefaultButton();
        return;
    case Qt::Key_Escape:
        Command(IdCancel);
        return;
    default:
        event->ignore();
    }
}

void QtDialogWindow::PressDefaultButton()
{
    if (!defaultButton) {
        Command(IdOk);
    } else if (defaultButton->isEnabled()) {
        defaultButton->click();
    }
}

void QtDialogWindow::FocusFirstTabStop()
{
    for (QWidget* widget : tabStops) {
        if (widget->isEnabled()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void QtDialogWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (dialogTemplate.style & ThinBorder) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

DialogResult QtDialogWindow::Run()
{
    // Where the dialog manager puts a dialog before its handler moves it: at
    // the owner's client origin, or the middle of the screen without one.
    if (owner) {
        MoveTo(owner->window()->mapToGlobal(QPoint(0, 0)).x(), owner->window()->mapToGlobal(QPoint(0, 0)).y());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        MoveTo(area.center().x() - width() / 2, area.center().y() - height() / 2);
    }

    if (handler.OnInitDialog(*this)) {
        FocusFirstTabStop();
    }
    if (!ended) {
        running = true;
        setModal(true);
        exec();
        running = false;
    }
    return endResult;
}

} // namespace tw
