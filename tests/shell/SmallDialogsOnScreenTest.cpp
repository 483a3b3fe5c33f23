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

// The popup closes itself after about a second, Beep or not, and at once on
// Enter; Beep only switches its rising tones on or off.
TEST(SmallDialogsOnScreen, LevelAdvancePlaysItsTonesAndClosesAfterASecondOrAtOnceOnEnter)
{
    for (const auto& [beep, pressEnter] : {std::pair{0, false}, {1, true}}) {
        test::SettingsScope scope([beep](Settings& s) { s.Beep = beep; });
        test::SoundRecorder sound;
        if (pressEnter) {
            QTimer::singleShot(100, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
        }
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(ShowLevelAdvanceDialog(nullptr, sound), DialogResult::Ok);
        const qint64 elapsed = clock.elapsed();
        EXPECT_TRUE(pressEnter ? elapsed < 900 : elapsed >= 900 && elapsed < 5000) << elapsed << " ms";
        std::vector<test::Tone> rising;
        for (int i = 0; i < 25; ++i) { rising.emplace_back(880 + 40 * i, 5, beep); }
        EXPECT_EQ(sound.tones, rising);
    }
}

} // namespace
} // namespace tw
