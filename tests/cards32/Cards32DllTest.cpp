#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
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

// cards32.dll, loaded as the game loads it, needs no DLL that Windows lacks,
// and draws every face, highlight and back at scales 1 to 10 exactly as the
// Linux module does, corners showing the background. Beyond the scales it
// carries it stretches its largest images, up to the largest scale it draws.
TEST(Cards32Dll, DrawsTheLinuxModulesPixelsAtEveryScale)
{
    const auto loadedModules = [] {
        DWORD bytes = 0;
        K32EnumProcessModules(GetCurrentProcess(), nullptr, 0, &bytes);
        return bytes / sizeof(HMODULE);
    };
    const auto others = loadedModules();
    const SharedLibrary module = SharedLibrary::Open((ProgramDirectory() / SharedLibraryFileName("cards32")).string());
    const auto draw = reinterpret_cast<CdtDrawFn>(module.Symbol("cdtDraw"));
    ASSERT_TRUE(draw);
    EXPECT_EQ(loadedModules(), others + 1) << "a DLL the module brought along";
    constexpr int width = 71, height = 96;

    std::ifstream linuxDraws(TW_CARD_DRAWS);
    int mode = 0, card = 0, scale = 0, compared = 0;
    for (std::uint64_t expected = 0; linuxDraws >> mode >> card >> scale >> expected; ++compared) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height * scale * scale), 0xFF336699u);
        const CdtTarget target{pixels.data(), width * scale, height * scale, width * scale, scale};
        EXPECT_EQ(draw(&target, 0, 0, card, mode, 0), 1);
        EXPECT_EQ(Hash(pixels), expected) << "mode " << mode << ", card " << card << ", scale " << scale;
    }
    EXPECT_EQ(compared, 10 * (52 + 52 + 16));

    for (const int beyond : {11, 12, CDT_MAX_SCALE + 1}) {
        const int w = width * beyond, h = height * beyond, edge = CDT_CORNER * beyond;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w * h), 0xFF336699u);
        const CdtTarget target{pixels.data(), w, h, w, beyond};
        const bool drawn = beyond <= CDT_MAX_SCALE;
        EXPECT_EQ(draw(&target, 0, 0, 54, CDT_BACKS, 0), drawn) << beyond;
        const auto clear = std::count(pixels.begin() + edge * w, pixels.end() - edge * w, 0xFF336699u);
        const std::ptrdiff_t band = w * (h - 2 * edge); // all but the rows of the corners
        EXPECT_EQ(std::pair(clear, pixels[0]), std::pair(drawn ? 0 : band, 0xFF336699u)) << beyond;
    }
}

// A host may load the module for each use. Every cycle of loading it,
// drawing and unloading it gives back all it took: Windows grants a process
// 1,088 TLS indexes, so a module that kept one a cycle would end its host.
TEST(Cards32Dll, LoadingAndUnloadingTwoThousandTimesLeavesNothingBehind)
{
    std::vector<std::uint32_t> pixels(71 * 96);
    const CdtTarget target{pixels.data(), 71, 96, 71, 1};
    const auto cycle = [&target] { // without cdtTerm: unloading frees the images too
        const SharedLibrary module = SharedLibrary::Open((ProgramDirectory() / SharedLibraryFileName("cards32")).string());
        const auto draw = reinterpret_cast<CdtDrawFn>(module.Symbol("cdtDraw"));
        return draw && draw(&target, 0, 0, 3, CDT_FACES, 0) == 1;
    };
    const auto footprint = [] { // the next TLS index, and the bytes in use on every heap
        const DWORD index = TlsAlloc();
        TlsFree(index);
        std::size_t bytes = 0;
        HANDLE heaps[64]; // the C runtime has a heap of its own
        for (const HANDLE heap : std::span(heaps, GetProcessHeaps(64, heaps))) {
            for (PROCESS_HEAP_ENTRY entry{}; HeapWalk(heap, &entry);) {
                bytes += entry.wFlags & PROCESS_HEAP_ENTRY_BUSY ? entry.cbData : 0;
            }
        }
        return std::pair(index, bytes);
    };
    ASSERT_TRUE(cycle());
    const auto before = footprint();
    int drawn = 0;
    for (int i = 0; i < 2000; ++i) { drawn += cycle(); }
    EXPECT_EQ(std::pair(drawn, footprint()), std::pair(2000, before));
}

} // namespace
} // namespace tw
