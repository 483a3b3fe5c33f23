#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "shell/SmallDialogs.h"
#include "support/SettingsScope.h"
#include "support/SoundRecorder.h"

namespace tw {
namespace {

// The popup on screen: it closes itself after about a second, Beep or not,
// and at once on Enter.
TEST(SmallDialogsOnScreen, LevelAdvanceClosesItselfAfterASecondOrAtOnceOnEnter)
{
    test::SettingsScope scope([](Settings& s) { s.Beep = 0; });
    test::SoundRecorder sound;
    for (const bool pressEnter : {false, true}) {
        if (pressEnter) {
            QTimer::singleShot(100, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
        }
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(ShowLevelAdvanceDialog(nullptr, sound), IdOk);
        const qint64 elapsed = clock.elapsed();
        EXPECT_GE(elapsed, pressEnter ? 0 : 900);
        EXPECT_LT(elapsed, pressEnter ? 900 : 5000);
    }
}

} // namespace
} // namespace tw
