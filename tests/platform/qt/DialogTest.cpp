#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QPixmap>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include "platform/qt/QtConvert.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtResources.h"
#include "platform/qt/QtWindowOwner.h"
#include "platform/DialogDriver.h"

// How the dialog tests work the Qt dialogs, and what only these do.
namespace tw::test {
namespace {

// What of the control's text the stand-in font would cut off; empty when it
// all shows.
std::string CutOff(const ControlTemplate& control, QWidget& widget)
{
    const QFontMetrics metrics(widget.font());
    const QString text = ToQString(control.text).remove(QLatin1Char('&'));
    QSize need(metrics.horizontalAdvance(text), metrics.height());
    if (control.kind == ControlKind::Label && widget.height() >= 2 * metrics.height()) {
        need = {0, metrics.boundingRect(QRect(0, 0, widget.width(), 1000), Qt::TextWordWrap, text).height()};
    } else if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::RadioButton) {
        need.setWidth(widget.sizeHint().width());
    } else if (control.kind == ControlKind::PushButton) {
        need.rwidth() += 2 * (widget.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &widget)
                              + widget.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget));
    } else if (control.kind != ControlKind::Label) {
        return {};
    }
    const std::string needs = " needs " + std::to_string(need.width()) + "x" + std::to_string(need.height());
    return need.width() <= widget.width() && need.height() <= widget.height() ? "" : text.toStdString() + needs;
}

QWidget& Front() { return *QApplication::activeModalWidget(); }

QWidget& FrontItem(int id) { return *DialogItemWidget(dynamic_cast<Dialog&>(Front()), id); }

// Keys go where the keyboard sends them: to the focused control, or the
// dialog when none has the focus.
Step PressOnFront(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    return [=] {
        QWidget& window = Front();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key, modifiers);
        QTest::qWait(250); // the click of a mnemonic is animated
    };
}

class QtOwnerWindow final : public OwnerWindow, public QtWindowOwner {
public:
    QtOwnerWindow()
    {
        widget.setGeometry(-40, 30, 401, 301);
        widget.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    QWidget* OwnerWidget() override { return &widget; }
    Rect Frame() const override { return ToRect(widget.frameGeometry()); }
    bool Owns(Dialog& dialog) override { return DialogWidget(dialog)->parentWidget() == &widget; }
    bool IsActive() override { return QTest::qWaitForWindowActive(&widget); }

private:
    QWidget widget;
};

} // namespace

ShownDialog Inspect(Dialog& dialog, const DialogTemplate& dialogTemplate)
{
    const QDialog& window = *DialogWidget(dialog);
    const DialogBaseUnits units = MeasureBaseUnits(window.font());
    // A thin border is drawn inside the window, around the client area.
    const int border = (window.windowFlags() & Qt::FramelessWindowHint) ? 1 : 0;
    ShownDialog shown{ToStdString(window.windowTitle()), {units.x, units.y},
                      {window.width() - 2 * border, window.height() - 2 * border}, {}};
    for (QWidget* widget : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const std::size_t index = shown.controls.size();
        const ControlTemplate control = index < dialogTemplate.controls.size() ? dialogTemplate.controls[index]
                                                                                : ControlTemplate{};
        // Labels, buttons and edit boxes hold their text, labels their icon and
        // push buttons their default state as properties.
        const QPixmap icon = widget->property("pixmap").value<QPixmap>();
        const bool showsIcon = !icon.isNull() && icon.toImage() == LoadIconResource(control.icon).toImage();
        shown.controls.push_back({DialogItemWidget(dialog, control.id) == widget ? control.id : -1,
                                  ToRect(widget->geometry().translated(-border, -border)),
                                  ToStdString(widget->property("text").toString()), showsIcon ? control.icon : 0,
                                  widget->property("default").toBool(), (widget->focusPolicy() & Qt::TabFocus) != 0,
                                  CutOff(control, *widget)});
    }
    return shown;
}

DialogResult RunScripted(const std::function<DialogResult()>& runModal, std::vector<Step> steps)
{
    // The steps go with this call: a dialog that ends before it shows leaves
    // none behind for a later one.
    const QObject scope;
    QTimer::singleShot(0, &scope, [&steps] {
        for (const Step& step : steps) {
            if (!QApplication::activeModalWidget()) {
                return;
            }
            step();
            QTest::qWait(20); // for what the step posted
        }
    });
    return runModal();
}

Step Press(Key key)
{
    return PressOnFront(key == Key::Enter ? Qt::Key_Return : key == Key::KeypadEnter ? Qt::Key_Enter : Qt::Key_Escape,
                        Qt::NoModifier);
}

Step PressWithAlt(char letter) { return PressOnFront(Qt::Key(Qt::Key_A + letter - 'a'), Qt::AltModifier); }

Step PressCloseBox() { return [] { Front().close(); }; }

// Past the text: a check box takes a click anywhere in its rectangle.
Step Click(int id)
{
    return [id] {
        QWidget& control = FrontItem(id);
        const QPoint pastTheText(control.width() - 2, control.height() / 2);
        ASSERT_LT(control.sizeHint().width(), pastTheText.x());
        QTest::mouseClick(&control, Qt::LeftButton, {}, pastTheText);
    };
}

Step Type(int id, const std::string& text)
{
    return [=] {
        for (const QChar unit : ToQString(text)) {
            QTest::sendKeyEvent(QTest::Click, &FrontItem(id), Qt::Key_unknown, QString(unit), Qt::NoModifier);
        }
    };
}

std::unique_ptr<OwnerWindow> MakeOwnerWindow() { return std::make_unique<QtOwnerWindow>(); }

namespace {

// A control that cannot be made fails the whole dialog before its handler
// hears of it. (The Win32 backend leaves that to the system's dialog manager,
// which under Wine builds the dialog without the icon.)
TEST(QtDialog, AMissingIconFailsTheWholeDialog)
{
    RecordingDialogHandler handler;
    handler.onInit = [](Dialog& dialog) { dialog.EndDialog(DialogResult::Ok); };
    const ControlTemplate missingIcon[] = {{ControlKind::Icon, -1, {}, 0, 0, 20, 20, StyleNone, 4242}};
    const DialogTemplate broken{1, "Broken", 100, 50, WithCaption, "MS Sans Serif", 8, missingIcon};
    EXPECT_EQ(RunModalDialog(broken, handler, nullptr), DialogResult::NotShown);
}

} // namespace
} // namespace tw::test
