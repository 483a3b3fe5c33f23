#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <span>
#include <vector>

#include "cards32/cards32.h"
#include "platform/SharedLibrary.h"

namespace tw {
namespace {

// As the archive writer hashes what the Linux module draws.
std::uint64_t Hash(const std::vector<std::uint32_t>& pixels)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::byte byte : std::as_bytes(std::span(pixels))) { // lowest byte of each pixel first
        hash = (hash ^ std::to_integer<std::uint64_t>(byte)) * 1099511628211ull;
    }
    return hash;
}

// cards32.dll, loaded as the game loads it, exports the five entry points and
// draws every face, highlight and back at scales 1 to 6 exactly as the Linux
// module does, corners showing the background.
TEST(Cards32Dll, DrawsTheLinuxModulesPixelsAtEveryScale)
{
    const SharedLibrary module = SharedLibrary::Open((ProgramDirectory() / SharedLibraryFileName("cards32")).string());
    ASSERT_TRUE(module.IsLoaded());
    for (const char* name : {"cdtInit", "cdtDraw", "cdtDrawExt", "cdtAnimate", "cdtTerm"}) {
        EXPECT_TRUE(module.Symbol(name)) << name;
    }
    const auto init = reinterpret_cast<CdtInitFn>(module.Symbol("cdtInit"));
    const auto draw = reinterpret_cast<CdtDrawFn>(module.Symbol("cdtDraw"));
    std::int32_t width = 0, height = 0;
    ASSERT_TRUE(init && draw && init(&width, &height));
    ASSERT_EQ(std::pair(width, height), std::pair(71, 96));

    std::ifstream linuxDraws(TW_CARD_DRAWS);
    int mode = 0, card = 0, scale = 0, compared = 0;
    for (std::uint64_t expected = 0; linuxDraws >> mode >> card >> scale >> expected; ++compared) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height * scale * scale), 0xFF336699u);
        const CdtTarget target{pixels.data(), width * scale, height * scale, width * scale, scale};
        EXPECT_EQ(draw(&target, 0, 0, card, mode, 0), 1);
        EXPECT_EQ(Hash(pixels), expected) << "mode " << mode << ", card " << card << ", scale " << scale;
    }
    EXPECT_EQ(compared, 6 * (52 + 52 + 16));
    reinterpret_cast<void (*)()>(module.Symbol("cdtTerm"))();
}

} // namespace
} // namespace tw
