#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr std::uint32_t kFelt = 0xFF004000;
constexpr int kGap = 6;
constexpr int kColumns = 13;

std::string outputPath(const char* name)
{
    const char* dir = std::getenv("TW_TEST_OUTPUT_DIR");
    return std::string(dir && *dir ? dir : ".") + "/" + name;
}

// Every face in suit rows, then a row of backs, on the game's green felt.
QImage contactSheet(int scale)
{
    const int width = kGap + kColumns * (71 + kGap);
    const int height = kGap + 5 * (96 + kGap);
    PixelBuffer buffer(width * scale, height * scale, kFelt, scale);
    for (int suit = 0; suit < 4; ++suit) {
        for (int rank = 0; rank < 13; ++rank) {
            EXPECT_NE(cdtDraw(buffer.target(), kGap + rank * (71 + kGap),
                              kGap + suit * (96 + kGap), rank * 4 + suit, CDT_FACES, 0),
                      0);
        }
    }
    const int backs[] = {54, 53, 55, 56, 58, 62, 66};
    int column = 0;
    for (int back : backs) {
        EXPECT_NE(cdtDraw(buffer.target(), kGap + column++ * (71 + kGap), kGap + 4 * (96 + kGap),
                          back, CDT_BACKS, 0),
                  0);
    }
    // A highlighted card and a stretched one, to see both at a glance.
    cdtDraw(buffer.target(), kGap + column++ * (71 + kGap), kGap + 4 * (96 + kGap), 51,
            CDT_HILITE, 0);
    cdtDrawExt(buffer.target(), kGap + column++ * (71 + kGap), kGap + 4 * (96 + kGap), 50, 68, 48,
               CDT_FACES, 0);

    QImage sheet(buffer.width(), buffer.height(), QImage::Format_RGB32);
    for (int y = 0; y < buffer.height(); ++y) {
        std::copy_n(&buffer.raw()[static_cast<std::size_t>(y) * buffer.stride()], buffer.width(),
                    reinterpret_cast<std::uint32_t*>(sheet.scanLine(y)));
    }
    return sheet;
}

TEST(Cards32ContactSheet, WritesTheDeckAtOneAndTwoTimesScale)
{
    const QImage single = contactSheet(1);
    const QImage doubled = contactSheet(2);
    EXPECT_EQ(doubled.size(), single.size() * 2);
    EXPECT_TRUE(single.save(QString::fromStdString(outputPath("cards32-contact-sheet.png"))));
    EXPECT_TRUE(doubled.save(QString::fromStdString(outputPath("cards32-contact-sheet@2x.png"))));
    cdtTerm();
}

} // namespace
