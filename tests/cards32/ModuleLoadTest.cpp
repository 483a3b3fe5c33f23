#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <utility>

namespace {

// The game loads the module by path from its own folder; the tests share that
// folder, so this loads exactly the file the game would.
using Module = std::unique_ptr<void, decltype([](void* handle) { dlclose(handle); })>;
Module openModule()
{
    const auto path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libcards32.so";
    return Module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

// The second round would crash if the module left anything behind that
// outlived it, such as images held past dlclose.
TEST(Cards32Module, LoadsDrawsThroughItsExportsAndReloads)
{
    for (int round = 0; round < 2; ++round) {
        const Module module = openModule();
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
