#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

#include "platform/Dialog.h"
#include "platform/QtDialog.h"
#include "settings/OptionsDialog.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsDialogs.h"
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

// Qt's key codes of Latin-1 letters are their capitals' code points.
void Type(QDialog& dialog, const QString& text)
{
    auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
    ASSERT_TRUE(edit && !edit->isReadOnly());
    for (const QChar letter : text) {
        QTest::sendKeyEvent(QTest::Click, edit, static_cast<Qt::Key>(letter.toUpper().unicode()), QString(letter),
                            Qt::NoModifier);
    }
}

std::string Stored(const char* name)
{
    std::string text;
    ReadRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, name, text, 256);
    return text;
}

// Typed letters beyond ASCII are stored as UTF-8. The box takes as many
// bytes as the list reads back: 127 two-byte letters and one more byte. That
// the list opens read-only in view mode the logic test shows.
TEST(SettingsDialogsOnScreen, HighScoresTakeTheTypedNameUpToTheLimitAndAreStoredOnEnter)
{
    test::TemporaryStore store;
    WhenOpen("high-score-new-entry.png", [](QDialog& dialog) { Type(dialog, QString::fromUtf8("Zo\xC3\xAB Quill")); });
    EXPECT_EQ(ShowHighScoreDialog(nullptr, true, 5000), IdOk);
    EXPECT_EQ(Stored("Name8") + ' ' + Stored("Score8"), "Zo\xC3\xAB Quill 5000");

    WhenOpen("high-score-long-name.png", [](QDialog& dialog) { Type(dialog, QString(200, QChar(0xE9)) + "ab"); });
    EXPECT_EQ(ShowHighScoreDialog(nullptr, true, 100000), IdOk);
    EXPECT_EQ(QString::fromStdString(Stored("Name0")), QString(127, QChar(0xE9)) + 'a');
    EXPECT_EQ(Stored("Name9"), "Zo\xC3\xAB Quill");
}

TEST(SettingsDialogsOnScreen, OptionsWithoutADeckStoreOneDeckZeroAndAskForANewGame)
{
    test::SettingsScope scope([](Settings& s) { s.EndOnShuffle = 1; });
    WhenOpen("options-deck-off.png", [](QDialog& window) {
        Dialog& dialog = dynamic_cast<Dialog&>(window);
        QTest::mouseClick(DialogItemWidget(dialog, OptionsDialog::DealFromDeckBox), Qt::LeftButton);
        // The rules below it are greyed out but keep their ticks.
        for (const int id : {OptionsDialog::StuffCollapsedBox, OptionsDialog::EndOnShuffleBox}) {
            EXPECT_EQ(std::pair(dialog.IsItemEnabled(id), dialog.IsChecked(id)), std::pair(false, true)) << id;
        }
    });
    EXPECT_EQ(ShowOptionsDialog(nullptr), IdOk);
    EXPECT_EQ(std::pair(settings.OneDeck, settings.EndOnShuffle), std::pair(0, 1));
}

} // namespace
} // namespace tw
