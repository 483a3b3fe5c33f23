#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Every face in suit rows, then a row of backs, a highlighted card and a
// stretched one, on the game's green felt: a picture to judge the art by.
QImage contactSheet(int scale)
{
    constexpr int kGap = 6;
    PixelBuffer buffer((kGap + 13 * (71 + kGap)) * scale, (kGap + 5 * (96 + kGap)) * scale, 0xFF004000, scale);
    const auto x = [](int column) { return kGap + column * (71 + kGap); };
    const auto y = [](int row) { return kGap + row * (96 + kGap); };
    for (int card = 0; card < 52; ++card) {
        EXPECT_NE(cdtDraw(buffer.target(), x(card / 4), y(card % 4), card, CDT_FACES, 0), 0);
    }
    int column = 0;
    for (int back : {54, 53, 55, 56, 58, 62, 66}) {
        EXPECT_NE(cdtDraw(buffer.target(), x(column++), y(4), back, CDT_BACKS, 0), 0);
    }
    cdtDraw(buffer.target(), x(column++), y(4), 51, CDT_HILITE, 0);
    cdtDrawExt(buffer.target(), x(column), y(4), 50, 68, 48, CDT_FACES, 0);
    QImage sheet(reinterpret_cast<const uchar*>(buffer.raw().data()), buffer.width(), buffer.height(),
                 buffer.stride() * 4, QImage::Format_RGB32);
    return sheet.copy();
}

TEST(Cards32ContactSheet, WritesTheDeckAtOneAndTwoTimesScale)
{
    const char* dir = std::getenv("TW_TEST_OUTPUT_DIR");
    const std::string folder = dir && *dir ? dir : ".";
    const QImage single = contactSheet(1), doubled = contactSheet(2);
    EXPECT_EQ(doubled.size(), single.size() * 2);
    EXPECT_TRUE(single.save(QString::fromStdString(folder + "/cards32-contact-sheet.png")));
    EXPECT_TRUE(doubled.save(QString::fromStdString(folder + "/cards32-contact-sheet@2x.png")));
    cdtTerm();
}

} // namespace
