#include <gtest/gtest.h>

#include <QDialog>
#include <QFontMetrics>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtWindowOwner.h"
#include "resources/DialogTemplates.h"
#include "support/FakeWindow.h"

namespace tw {
namespace {

using Heard = std::vector<std::string>;

// Writes down every command and tick; OK and Cancel end the dialog unless
// told otherwise. `whileOpen` runs inside the dialog's loop, once it shows.
struct ScriptedHandler : DialogHandler {
    bool OnInitDialog(Dialog& dialog) override
    {
        onInit(dialog);
        QTimer::singleShot(0, DialogWidget(dialog), [this, &dialog] { whileOpen(dialog); });
        return true;
    }
    bool OnCommand(Dialog& dialog, int id) override
    {
        heard.push_back(std::to_string(id) + (dialog.IsChecked(id) ? "+" : ""));
        if (endOnOkCancel && (id == IdOk || id == IdCancel)) {
            dialog.EndDialog(id);
        }
        return true;
    }
    // The tick is written down after its posts, which a posted command that
    // did not wait would come before.
    bool OnTimer(Dialog& dialog, int id) override
    {
        dialog.KillTimer(id);
        dialog.PostCommand(41);
        dialog.PostCommand(IdOk);
        heard.push_back("tick " + std::to_string(id));
        return true;
    }

    std::function<void(Dialog&)> onInit = [](Dialog&) {}, whileOpen = [](Dialog&) {};
    bool endOnOkCancel = true;
    Heard heard;
};

const DialogTemplate& Template(int id) { return *FindDialogTemplate(id); }

void Press(Dialog& dialog, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QDialog* window = DialogWidget(dialog);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, static_cast<Qt::Key>(key), modifiers);
    QTest::qWait(250); // a mnemonic's click is animated
}

// What of the control's text the stand-in font would cut off; empty when it
// all shows.
std::string Clipping(const ControlTemplate& control, QWidget& widget)
{
    const QFontMetrics metrics(widget.font());
    const QString text = QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size()))
                             .remove(QLatin1Char('&'));
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

// Every template builds with its texts where the dialog units put them, and
// every text shows whole; a read-only box keeps its text.
TEST(DialogEngine, TemplatesBuildAtTheirDialogUnitsAndEveryTextFits)
{
    for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
        SCOPED_TRACE(dialogTemplate.id);
        ScriptedHandler handler;
        handler.onInit = [&](Dialog& dialog) {
            const QDialog& window = *DialogWidget(dialog);
            const DialogBaseUnits units = MeasureBaseUnits(window.font());
            EXPECT_EQ(units.x, 6);
            const int border = (dialogTemplate.style & ThinBorder) ? 1 : 0;
            const QRect client = DialogUnitsToPixels(units, 0, 0, dialogTemplate.width, dialogTemplate.height);
            EXPECT_EQ(window.size(), client.adjusted(0, 0, 2 * border, 2 * border).size());
            const QList<QWidget*> widgets = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            ASSERT_EQ(widgets.size(), static_cast<qsizetype>(dialogTemplate.controls.size()));
            for (std::size_t i = 0; i < dialogTemplate.controls.size(); ++i) {
                const ControlTemplate& control = dialogTemplate.controls[i];
                QWidget& widget = *widgets[static_cast<qsizetype>(i)];
                QRect box = DialogUnitsToPixels(units, control.x, control.y, control.width, control.height)
                                .translated(border, border);
                if (control.kind == ControlKind::Icon) {
                    box.setSize({32, 32}); // an icon control takes its icon's size
                }
                EXPECT_EQ(widget.geometry(), box) << control.text;
                if (control.style & ReadOnly) {
                    QTest::keyClicks(&widget, "ab");
                }
                EXPECT_TRUE(control.id == -1 || dialog.GetItemText(control.id) == control.text) << control.text;
                EXPECT_EQ(Clipping(control, widget), "");
            }
        };
        handler.whileOpen = [](Dialog& dialog) { dialog.EndDialog(7); };
        EXPECT_EQ(RunModalDialog(dialogTemplate, handler, nullptr), 7);
    }
}

// Only the handler ends the dialog: one that leaves Cancel alone keeps it open.
TEST(DialogEngine, EnterEscAndTheCloseBoxBecomeOkAndCancel)
{
    // Focus -1, no item: where the dialog put it; key 0: the close box.
    struct Case { int dialog, focus, key; Heard heard; bool staysOpen = false, handlerEnds = true; };
    const Case cases[] = {
        {WelcomeDialogId, -1, Qt::Key_Return, {"1"}},             {WelcomeDialogId, -1, Qt::Key_Escape, {"2"}},
        {WelcomeDialogId, -1, 0, {"2"}},                          {OptionsDialogId, 1055, Qt::Key_Enter, {"1"}},
        {OptionsDialogId, 1038, Qt::Key_Return, {"1038"}, true},  // a focused button presses itself
        {LevelAdvanceDialogId, -1, Qt::Key_Escape, {"2"}},        // no buttons at all
        {HighScoreDialogId, -1, Qt::Key_Escape, {"2"}, true, false}, {HighScoreDialogId, -1, 0, {"2"}, true, false},
    };
    for (const Case& c : cases) {
        ScriptedHandler handler;
        handler.endOnOkCancel = c.handlerEnds;
        bool open = false;
        handler.whileOpen = [&](Dialog& dialog) {
            dialog.SetFocus(c.focus);
            c.key ? Press(dialog, c.key) : void(DialogWidget(dialog)->close());
            open = DialogWidget(dialog)->isVisible();
            dialog.EndDialog(5);
        };
        RunModalDialog(Template(c.dialog), handler, nullptr);
        EXPECT_EQ(std::pair(handler.heard, open), std::pair(c.heard, c.staysOpen)) << c.dialog;
    }
}

// Alt with a mnemonic clicks its control, and so does the mouse anywhere in a
// check box's rectangle, past its text too; check boxes and radio buttons
// have changed before the handler hears of the click, and a radio group keeps
// one button checked, or none when the dialog clears it.
TEST(DialogEngine, MnemonicsAndClicksSetButtonsBeforeTheHandlerHears)
{
    ScriptedHandler handler;
    handler.whileOpen = [&](Dialog& dialog) {
        for (const int key : {Qt::Key_M, Qt::Key_M, Qt::Key_D, Qt::Key_C, Qt::Key_K}) {
            Press(dialog, key, Qt::AltModifier);
        }
        QWidget* box = DialogItemWidget(dialog, 1055);
        const QPoint pastTheText(box->width() - 2, box->height() / 2);
        ASSERT_LT(box->sizeHint().width(), pastTheText.x());
        QTest::mouseClick(box, Qt::LeftButton, {}, pastTheText);
        EXPECT_FALSE(dialog.IsChecked(1011));
        dialog.CheckRadioButton(1008, 1011, 1007);
        EXPECT_FALSE(dialog.IsChecked(1010));
        Press(dialog, Qt::Key_Escape);
    };
    EXPECT_EQ(RunModalDialog(Template(OptionsDialogId), handler, nullptr), IdCancel);
    EXPECT_EQ(handler.heard, (Heard{"1055+", "1055", "1011+", "1010+", "1038", "1055+", "2"}));
}

// A timer ticks until killed and never after the dialog ends; posted commands
// wait for the current one; a dialog that cannot be made or ends in its
// initialisation never shows.
TEST(DialogEngine, TimersPostedCommandsAndDialogsThatNeverShow)
{
    ScriptedHandler handler;
    handler.onInit = [](Dialog& dialog) {
        dialog.SetTimer(4, 10);
        dialog.SetTimer(9, 5000);
        dialog.PostCommand(40);
    };
    EXPECT_EQ(RunModalDialog(Template(AboutDialogId), handler, nullptr), IdOk);
    QTest::qWait(100);
    EXPECT_EQ(handler.heard, (Heard{"40", "tick 4", "41", "1"}));

    const ControlTemplate missingIcon[] = {{ControlKind::Icon, -1, {}, 0, 0, 20, 20, StyleNone, 4242}};
    const DialogTemplate broken{1, "Broken", 100, 50, WithCaption, "MS Sans Serif", 8, missingIcon};
    EXPECT_EQ(RunModalDialog(broken, handler, nullptr), -1);

    bool shown = false;
    handler.onInit = [](Dialog& dialog) { dialog.EndDialog(3); };
    handler.whileOpen = [&](Dialog&) { shown = true; };
    EXPECT_EQ(RunModalDialog(Template(WelcomeDialogId), handler, nullptr), 3);
    QTest::qWait(20);
    EXPECT_FALSE(shown);
}

struct QtOwnerWindow : test::FakeWindow, QtWindowOwner {
    QWidget* OwnerWidget() override { return &widget; }
    QWidget widget;
};

// The owner parents the dialog and gives the rectangle to centre on. A
// Window that is not a Qt window owns nothing.
TEST(DialogEngine, AQtOwnerOwnsTheDialogAndGetsTheFocusBack)
{
    QtOwnerWindow owner;
    owner.widget.setGeometry(-40, 30, 401, 301);
    owner.widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner.widget));
    ScriptedHandler handler;
    handler.onInit = [&](Dialog& dialog) {
        const QRect frame = owner.widget.frameGeometry();
        EXPECT_EQ(DialogWidget(dialog)->parentWidget(), &owner.widget);
        EXPECT_EQ(dialog.GetOwnerRect(), Rect::FromSize(frame.x(), frame.y(), frame.width(), frame.height()));
        dialog.MoveTo(-7, 9);
        EXPECT_EQ(std::pair(dialog.GetWindowRect().left, dialog.GetWindowRect().top), std::pair(-7, 9));
    };
    handler.whileOpen = [](Dialog& dialog) { Press(dialog, Qt::Key_Return); };
    EXPECT_EQ(RunModalDialog(Template(WelcomeDialogId), handler, &owner), IdOk);

    test::FakeWindow notQt;
    handler.onInit = [](Dialog& dialog) { EXPECT_FALSE(dialog.GetOwnerRect()); };
    EXPECT_EQ(RunModalDialog(Template(WelcomeDialogId), handler, &notQt), IdOk);
}

} // namespace
} // namespace tw
