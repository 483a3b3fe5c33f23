#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

#include "platform/Dialog.h"
#include "platform/qt/QtDialog.h"
#include "settings/OptionsDialog.h"
#include "settings/SettingsDialogs.h"
#include "support/SaveRounds.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

// Acts on the dialog once it is up, as the player would, and leaves a
// picture of it.
void WhenOpen(const char* picture, std::function<void(QDialog&)> act)
{
    QTimer::singleShot(50, [picture, act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        EXPECT_TRUE(dialog->grab().save(QString::fromStdString(test::TestOutputPath(picture).string())));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
}

TEST(OptionsDialogOnScreen, WithoutADeckStoresOneDeckZeroAndAsksForANewGame)
{
    test::SettingsScope scope([](Settings& s) { s.EndOnShuffle = 1; });
    WhenOpen("options-deck-off.png", [](QDialog& window) {
        auto& dialog = dynamic_cast<Dialog&>(window);
        QTest::mouseClick(DialogItemWidget(dialog, OptionsDialog::DealFromDeckBox), Qt::LeftButton);
        // The rules below it are greyed out but keep their ticks.
        for (const int id : {OptionsDialog::StuffCollapsedBox, OptionsDialog::EndOnShuffleBox}) {
            EXPECT_EQ(std::pair(dialog.IsItemEnabled(id), dialog.IsChecked(id)), std::pair(false, true)) << id;
        }
    });
    EXPECT_EQ(ShowOptionsDialog(nullptr), DialogResult::Ok);
    EXPECT_EQ(std::pair(settings.OneDeck, settings.EndOnShuffle), std::pair(0, 1));
}

// Typed into the row the new score opens, letters beyond ASCII are stored
// as UTF-8. The box takes as many bytes as the list reads back: 127 two-byte
// letters and one more byte.
TEST(HighScoreDialogOnScreen, TakesTheTypedNameUpToTheLimitAndStoresItOnEnter)
{
    test::TemporaryStore store;
    // Typed into the box that has the focus; Qt's key codes of Latin-1
    // letters are their capitals' code points.
    WhenOpen("high-score-long-name.png", [](QDialog& dialog) {
        for (const QChar letter : QString(200, QChar(0xE9)) + "ab") {
            QTest::sendKeyEvent(QTest::Click, dialog.focusWidget(), static_cast<Qt::Key>(letter.toUpper().unicode()),
                                QString(letter), Qt::NoModifier);
        }
    });
    EXPECT_EQ(ShowHighScoreDialog(nullptr, true, 5000), DialogResult::Ok);
    EXPECT_EQ(test::StoredText(kHighScoresKey, "Name8", 1 << 16), (QString(127, QChar(0xE9)) + "a").toStdString());
}

} // namespace
} // namespace tw
