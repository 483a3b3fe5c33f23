#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMargins>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dialog.h"
#include "platform/DialogTemplate.h"
#include "platform/qt/QtColorPicker.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtDialogControls.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtWindowOwner.h"

class QKeyEvent;
class QPaintEvent;

namespace tw {

// The Qt dialog that RunModalDialog builds from a template and hands to the
// handler as its Dialog.
class QtDialogWindow final : public QDialog, public Dialog {
public:
    QtDialogWindow(const DialogTemplate& dialogTemplate, DialogHandler& handler, QWidget* owner)
        : QDialog(owner), dialogTemplate(dialogTemplate), handler(handler), owner(owner)
    {
    }

    // False when a control cannot be made, as a missing icon makes the
    // dialog manager fail the whole dialog.
    bool Build();
    DialogResult Run();

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
    void EndDialog(DialogResult result) override;

    Rect GetWindowRect() const override;
    std::optional<Rect> GetOwnerRect() const override
    {
        if (!owner) {
            return std::nullopt;
        }
        return ToRect(SeenFrameGeometry(*owner->window()));
    }
    void MoveTo(int left, int top) override
    {
        framePosition = QPoint(left, top);
        move(framePosition);
    }

    DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
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
    DialogResult endResult{}; // none of the results until the handler ends the dialog
};

} // namespace tw
