#include "platform/Dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <map>

#include "platform/DialogTemplate.h"
#include "platform/QtColorPicker.h"
#include "platform/QtConvert.h"
#include "platform/QtDialog.h"
#include "platform/QtMessageBox.h"
#include "platform/QtResources.h"
#include "platform/QtWindowOwner.h"
#include "platform/Window.h"

namespace tw {

QFont DialogFont(const DialogTemplate& dialogTemplate)
{
    // The templates' 8-point bitmap font measured 6 x 13 pixels. DejaVu Sans
    // at that size is too wide for the longest welcome line; the Helvetica
    // design (Nimbus Sans, or its metric twins) at 10 pixels gives 6 x 14 and
    // fits every text. Pixel sizes keep the layout independent of the
    // screen's claimed resolution, as the original's was.
    QFont font;
    font.setFamilies({QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, (dialogTemplate.fontPoints * 5 + 2) / 4));
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

namespace {

// MulDiv's rounding: halves away from zero.
int Scale(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// An edit box's limit counts UTF-8 bytes, the unit the game stores names in,
// so a name that fits the box always fits its storage.
class Utf8LimitValidator : public QValidator {
public:
    Utf8LimitValidator(int bytes, QObject* parent) : QValidator(parent), bytes(bytes) {}
    State validate(QString& input, int&) const override
    {
        return input.toUtf8().size() <= bytes ? Acceptable : Invalid;
    }

private:
    int bytes;
};

} // namespace

QRect DialogUnitsToPixels(DialogBaseUnits units, int x, int y, int width, int height)
{
    return {Scale(x, units.x, 4), Scale(y, units.y, 8), Scale(width, units.x, 4), Scale(height, units.y, 8)};
}

namespace {

// A check box or radio button takes a click anywhere in its rectangle, not
// only on its mark and text, as the game's dialogs always have.
template <typename Button>
class WholeAreaButton final : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint& position) const override { return this->rect().contains(position); }
};

class DialogWindow final : public QDialog, public Dialog {
public:
    DialogWindow(const DialogTemplate& dialogTemplate, DialogHandler& handler, QWidget* owner)
        : QDialog(owner), dialogTemplate(dialogTemplate), handler(handler), owner(owner)
    {
    }

    // False when a control cannot be made, as a missing icon makes the
    // dialog manager fail the whole dialog.
    bool Build();
    int Run();

    QWidget* Item(int id) const
    {
        const auto found = items.find(id);
        return found == items.end() ? nullptr : found->second;
    }

    bool HasItem(int id) const override { return Item(id) != nullptr; }
    std::string GetItemText(int id) const override;
    void SetItemText(int id, std::string_view text) override;
    bool IsChecked(int id) const override
    {
        const auto* button = qobject_cast<QAbstractButton*>(Item(id));
        return button && button->isChecked();
    }
    void CheckItem(int id, bool checked) override { SetChecked(qobject_cast<QAbstractButton*>(Item(id)), checked); }
    void CheckRadioButton(int first, int last, int id) override
    {
        for (int each = first; each <= last; ++each) {
            SetChecked(qobject_cast<QAbstractButton*>(Item(each)), each == id);
        }
    }
    void EnableItem(int id, bool enabled) override
    {
        if (QWidget* item = Item(id)) {
            item->setEnabled(enabled);
        }
    }
    bool IsItemEnabled(int id) const override
    {
        const QWidget* item = Item(id);
        return item && item->isEnabled();
    }
    void SetReadOnly(int id, bool readOnly) override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(Item(id))) {
            edit->setReadOnly(readOnly);
        }
    }
    bool IsReadOnly(int id) const override
    {
        const auto* edit = qobject_cast<QLineEdit*>(Item(id));
        return edit && edit->isReadOnly();
    }
    void LimitText(int id, int bytes) override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(Item(id))) {
            delete edit->validator();
            edit->setValidator(bytes > 0 ? new Utf8LimitValidator(bytes, edit) : nullptr);
        }
    }
    void SetFocus(int id) override
    {
        if (QWidget* item = Item(id)) {
            item->setFocus(Qt::OtherFocusReason);
        }
    }
    int FocusedItem() const override
    {
        const QWidget* focused = focusWidget();
        for (const auto& [id, item] : items) {
            if (item == focused) {
                return id;
            }
        }
        return -1;
    }

    void SetTimer(int id, int milliseconds) override;
    void KillTimer(int id) override
    {
        if (const auto found = timers.find(id); found != timers.end()) {
            found->second->stop();
        }
    }
    void PostCommand(int id) override
    {
        QMetaObject::invokeMethod(this, [this, id] { Command(id); }, Qt::QueuedConnection);
    }
    void EndDialog(int result) override;

    Rect GetWindowRect() const override;
    std::optional<Rect> GetOwnerRect() const override
    {
        if (!owner) {
            return std::nullopt;
        }
        return ToRect(owner->window()->frameGeometry());
    }
    void MoveTo(int left, int top) override
    {
        framePosition = QPoint(left, top);
        move(framePosition);
    }

    int ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        return ShowMessageBox(this, text, caption, style);
    }

    std::optional<ColorRef> ChooseColor(ColorRef initial, std::array<ColorRef, 16>& customColors) override
    {
        return PickColour(this, initial, customColors);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override
    {
        // The close box asks the handler, which decides whether to end.
        event->ignore();
        Command(IdCancel);
    }
    void reject() override { Command(IdCancel); }
    void paintEvent(QPaintEvent* event) override;

private:
    static void SetChecked(QAbstractButton* button, bool checked)
    {
        if (!button) {
            return;
        }
        // An exclusive group refuses to lose its last checked button, yet a
        // dialog may clear the whole group.
        QButtonGroup* group = button->group();
        const bool exclusive = group && group->exclusive();
        if (exclusive && !checked) {
            group->setExclusive(false);
        }
        button->setChecked(checked);
        if (exclusive && !checked) {
            group->setExclusive(true);
        }
    }

    void Command(int id)
    {
        if (!ended) {
            handler.OnCommand(*this, id);
        }
    }
    void PressDefaultButton();
    void FocusFirstTabStop();
    QMargins EstimatedFrame() const;

    const DialogTemplate& dialogTemplate;
    DialogHandler& handler;
    QPointer<QWidget> owner;
    std::map<int, QWidget*> items;
    std::map<int, QTimer*> timers;
    std::vector<QWidget*> tabStops;
    QPushButton* defaultButton = nullptr;
    QPoint framePosition;
    bool running = false;
    bool ended = false;
    int endResult = 0;
};

bool DialogWindow::Build()
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

std::string DialogWindow::GetItemText(int id) const
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

void DialogWindow::SetItemText(int id, std::string_view text)
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

void DialogWindow::SetTimer(int id, int milliseconds)
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

void DialogWindow::EndDialog(int result)
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
        done(result);
    }
}

QMargins DialogWindow::EstimatedFrame() const
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

Rect DialogWindow::GetWindowRect() const
{
    if (isVisible()) {
        return ToRect(frameGeometry());
    }
    const QMargins frame = EstimatedFrame();
    const QSize outer = size().grownBy(frame);
    return ToRect(QRect(framePosition, outer));
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
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

void DialogWindow::PressDefaultButton()
{
    if (!defaultButton) {
        Command(IdOk);
    } else if (defaultButton->isEnabled()) {
        defaultButton->click();
    }
}

void DialogWindow::FocusFirstTabStop()
{
    for (QWidget* widget : tabStops) {
        if (widget->isEnabled()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void DialogWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (dialogTemplate.style & ThinBorder) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

int DialogWindow::Run()
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

} // namespace

QDialog* DialogWidget(Dialog& dialog) { return dynamic_cast<DialogWindow*>(&dialog); }

QWidget* DialogItemWidget(Dialog& dialog, int id)
{
    const auto* window = dynamic_cast<DialogWindow*>(&dialog);
    return window ? window->Item(id) : nullptr;
}

int RunModalDialog(const DialogTemplate& dialogTemplate, DialogHandler& handler, Window* owner)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return -1;
    }
    auto* ownerSource = dynamic_cast<QtWindowOwner*>(owner);
    QWidget* ownerWidget = ownerSource ? ownerSource->OwnerWidget() : nullptr;
    if (ownerWidget) {
        ownerWidget = ownerWidget->window();
    }

    int result = -1;
    {
        DialogWindow dialog(dialogTemplate, handler, ownerWidget);
        if (!dialog.Build()) {
            return -1;
        }
        result = dialog.Run();
    }
    // Qt hands the activation back only when the window system cooperates;
    // the owner must be usable and in front again at once, as after
    // EndDialog.
    if (ownerWidget) {
        ownerWidget->setEnabled(true);
        ownerWidget->activateWindow();
        ownerWidget->raise();
    }
    return result;
}

} // namespace tw
