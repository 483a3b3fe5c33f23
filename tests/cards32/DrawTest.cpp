#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

namespace {

constexpr std::uint32_t kBackground = 0xFF123456;
constexpr int kAceOfSpades = 3;
constexpr int kKingOfHearts = 12 * 4 + 2;
constexpr int kBack = 54;

// Outside the rounded corners the background stays; the middle of an edge is
// the dark outline, and the face is plain white.
TEST(Cards32Draw, AFaceKeepsTheBackgroundOutsideItsRoundedCorners)
{
    PixelBuffer buffer(71, 96, kBackground);
    ASSERT_NE(cdtDraw(buffer.target(), 0, 0, kAceOfSpades, CDT_FACES, 0), 0);
    for (auto [x, y] : {std::pair{0, 0}, {70, 0}, {0, 95}, {70, 95}}) {
        EXPECT_EQ(buffer.at(x, y), kBackground) << "corner " << x << "," << y;
    }
    EXPECT_LT(buffer.at(35, 0) & 0xFF, 0x40u);
    EXPECT_EQ(buffer.at(20, 70), 0xFFFFFFFFu);
}

// Windows colours keep red in the low byte; pixels keep it in bits 16-23.
TEST(Cards32Draw, RemoveFillsTheWholeRectangleWithTheWindowsColour)
{
    for (auto [windows, pixel] : {std::pair{0x0000FFu, 0xFFFF0000u}, {0x9A7856u, 0xFF56789Au}}) {
        PixelBuffer buffer(80, 100, kBackground);
        ASSERT_NE(cdtDraw(buffer.target(), 2, 3, 0, CDT_REMOVE, windows), 0);
        EXPECT_EQ(std::pair(buffer.at(2, 3), buffer.at(72, 98)), std::pair(pixel, pixel)) << std::hex << windows;
    }
}

TEST(Cards32Draw, RefusesUnknownCardsDesignsModesAndUnusableTargets)
{
    for (auto [card, mode] : {std::pair<int, int>{-1, CDT_FACES}, {52, CDT_FACES}, {52, CDT_HILITE}, {52, CDT_BACKS},
                              {69, CDT_BACKS}, {0, 3}}) {
        PixelBuffer buffer(100, 100, kBackground);
        EXPECT_EQ(cdtDraw(buffer.target(), 0, 0, card, mode, 0), 0) << card << " mode " << mode;
        EXPECT_EQ(changedArea(buffer, kBackground), ChangedArea{}) << card << " mode " << mode;
    }
    std::uint32_t pixels[4] = {};
    const CdtTarget unusable[] = {{nullptr, 100, 100, 100, 1}, {pixels, 2, 2, 2, 0}, {pixels, 2, 2, 1, 1}};
    for (const CdtTarget& target : unusable) {
        EXPECT_EQ(std::pair(cdtDraw(&target, 0, 0, 0, CDT_FACES, 0), cdtDraw(&target, 0, 0, 0, CDT_REMOVE, 0)), std::pair(0, 0));
    }
    EXPECT_EQ(cdtDraw(nullptr, 0, 0, 0, CDT_FACES, 0), 0);
}

// A card hanging over an edge, or lying just outside one, writes only the
// pixels it covers; the buffer's row margins and exact size catch any other.
TEST(Cards32Clipping, WritesOnlyTheCoveredPartOfTheTarget)
{
    constexpr int kWidth = 100, kHeight = 120;
    for (const int mode : {CDT_FACES, CDT_BACKS, CDT_REMOVE}) {
        for (auto [x, y] : {std::pair{10, 10}, {-40, -50}, {60, 70}, {-71, 10}, {100, 10}, {10, -96}, {10, 120}}) {
            SCOPED_TRACE(::testing::Message() << x << "," << y << " mode " << mode);
            PixelBuffer buffer(kWidth, kHeight, kBackground, 1, 3);
            EXPECT_NE(cdtDraw(buffer.target(), x, y, mode == CDT_BACKS ? kBack : kKingOfHearts, mode, 0x0000FF), 0);
            const ChangedArea covered{std::max(x, 0), std::max(y, 0), std::min(x + 71, kWidth), std::min(y + 96, kHeight)};
            EXPECT_EQ(changedArea(buffer, kBackground), covered.width() > 0 && covered.height() > 0 ? covered : ChangedArea{});
        }
    }
    // Scaled to device pixels these would overflow 32 bits and could wrap
    // back onto the target.
    constexpr std::int32_t kFar = 0x7FFFFFF0;
    PixelBuffer buffer(64, 64, kBackground, 4);
    for (auto [x, y] : {std::pair{kFar, 0}, {-kFar, 0}, {0, kFar}, {0, -kFar}}) {
        cdtDraw(buffer.target(), x, y, kKingOfHearts, CDT_FACES, 0);
        cdtDraw(buffer.target(), x, y, 0, CDT_REMOVE, 0xFFFFFF);
    }
    EXPECT_EQ(changedArea(buffer, kBackground), ChangedArea{});
}

// An enlarged 1x image would be made of identical 2x2 blocks; a card rendered
// at 2x has edges that fall inside those blocks.
TEST(Cards32Scale, DoubleScaleIsRenderedAtTwiceTheSizeRatherThanEnlarged)
{
    PixelBuffer removed(400, 400, kBackground, 2), buffer(142, 192, kBackground, 2);
    ASSERT_NE(cdtDraw(removed.target(), 10, 20, 0, CDT_REMOVE, 0xFFFFFF), 0);
    EXPECT_EQ(changedArea(removed, kBackground), (ChangedArea{20, 40, 20 + 142, 40 + 192}));
    ASSERT_NE(cdtDraw(buffer.target(), 0, 0, kKingOfHearts, CDT_FACES, 0), 0);
    EXPECT_EQ(changedArea(buffer, kBackground), (ChangedArea{0, 0, 142, 192}));
    int splitBlocks = 0;
    for (int y = 0; y < 192; y += 2) {
        for (int x = 0; x < 142; x += 2) {
            const std::uint32_t p = buffer.at(x, y);
            splitBlocks += buffer.at(x + 1, y) != p || buffer.at(x, y + 1) != p || buffer.at(x + 1, y + 1) != p;
        }
    }
    EXPECT_GT(splitBlocks, 200);
}

TEST(Cards32DrawExt, StretchesToTheRequestedSize)
{
    PixelBuffer buffer(300, 300, kBackground);
    ASSERT_NE(cdtDrawExt(buffer.target(), 5, 6, 142, 48, kBack, CDT_BACKS, 0), 0);
    EXPECT_EQ(changedArea(buffer, kBackground), (ChangedArea{5, 6, 5 + 142, 6 + 48}));
    EXPECT_EQ(cdtDrawExt(buffer.target(), 0, 0, 0, 48, kBack, CDT_BACKS, 0), 0);
    EXPECT_EQ(cdtDrawExt(buffer.target(), 0, 0, 71, -1, kBack, CDT_BACKS, 0), 0);
}

// Animating draws the plain back for any frame, and drawing after cdtTerm
// renders the same pixels again.
TEST(Cards32Animate, DrawsTheBackForAnyFrameAlsoAfterTerm)
{
    PixelBuffer expected(71, 96, kBackground);
    ASSERT_NE(cdtDraw(expected.target(), 0, 0, kBack, CDT_BACKS, 0), 0);
    for (int frame : {0, 7}) {
        cdtTerm();
        PixelBuffer animated(71, 96, kBackground);
        EXPECT_NE(cdtAnimate(animated.target(), kBack, 0, 0, frame), 0);
        EXPECT_EQ(animated.raw(), expected.raw()) << "frame " << frame;
    }
    EXPECT_EQ(cdtAnimate(expected.target(), kAceOfSpades, 0, 0, 0), 0);
    cdtTerm();
}

// The game loads the module by path from its own folder, which the tests
// share. The second round would crash if the module left anything behind
// that outlived it, such as images held past dlclose.
TEST(Cards32Module, LoadsDrawsThroughItsExportsAndReloads)
{
    using Module = std::unique_ptr<void, decltype([](void* handle) { dlclose(handle); })>;
    const auto path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libcards32.so";
    for (int round = 0; round < 2; ++round) {
        const Module module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(module, nullptr) << dlerror();
        const auto init = reinterpret_cast<CdtInitFn>(dlsym(module.get(), "cdtInit"));
        const auto draw = reinterpret_cast<CdtDrawFn>(dlsym(module.get(), "cdtDraw"));
        const auto drawExt = reinterpret_cast<CdtDrawExtFn>(dlsym(module.get(), "cdtDrawExt"));
        const auto animate = reinterpret_cast<CdtAnimateFn>(dlsym(module.get(), "cdtAnimate"));
        const auto term = reinterpret_cast<CdtTermFn>(dlsym(module.get(), "cdtTerm"));
        // The module's own copies, not the ones linked into this test.
        ASSERT_TRUE(init && draw && drawExt && animate && term && draw != &cdtDraw);
        std::int32_t width = 0, height = 0;
        EXPECT_TRUE(init(&width, &height) && std::pair(width, height) == std::pair(71, 96));

        PixelBuffer viaModule(300, 120, 0xFF004000), linked(300, 120, 0xFF004000);
        EXPECT_NE(draw(viaModule.target(), 0, 0, 51, CDT_FACES, 0), 0);
        EXPECT_NE(drawExt(viaModule.target(), 80, 0, 71, 96, 0, CDT_HILITE, 0), 0);
        EXPECT_NE(animate(viaModule.target(), 54, 160, 0, 3), 0);
        EXPECT_EQ(draw(viaModule.target(), 0, 0, 99, CDT_FACES, 0), 0);
        cdtDraw(linked.target(), 0, 0, 51, CDT_FACES, 0);
        cdtDrawExt(linked.target(), 80, 0, 71, 96, 0, CDT_HILITE, 0);
        cdtAnimate(linked.target(), 54, 160, 0, 3);
        ASSERT_EQ(viaModule.raw(), linked.raw());
        term();
    }
    cdtTerm();
}

} // namespace
