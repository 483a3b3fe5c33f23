#include "PixelBuffer.h"

#include "cards32/cards32.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

namespace {

// The game loads the module by path from its own folder; the tests share that
// folder, so this loads exactly the file the game would.
std::string modulePath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libcards32.so").string();
}

class LoadedModule {
public:
    LoadedModule() : handle_(dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule()
    {
        if (handle_) {
            dlclose(handle_);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    void* handle() const { return handle_; }

    template <typename Fn>
    Fn find(const char* name) const
    {
        return reinterpret_cast<Fn>(dlsym(handle_, name));
    }

private:
    void* handle_;
};

TEST(Cards32Module, LoadsAndDrawsThroughItsExports)
{
    LoadedModule module;
    ASSERT_NE(module.handle(), nullptr) << dlerror();

    const auto init = module.find<CdtInitFn>("cdtInit");
    const auto draw = module.find<CdtDrawFn>("cdtDraw");
    const auto drawExt = module.find<CdtDrawExtFn>("cdtDrawExt");
    const auto animate = module.find<CdtAnimateFn>("cdtAnimate");
    const auto term = module.find<CdtTermFn>("cdtTerm");
    ASSERT_NE(init, nullptr);
    ASSERT_NE(draw, nullptr);
    ASSERT_NE(drawExt, nullptr);
    ASSERT_NE(animate, nullptr);
    ASSERT_NE(term, nullptr);
    // The module's own copies, not the ones linked into this test.
    EXPECT_NE(reinterpret_cast<void*>(draw), reinterpret_cast<void*>(&cdtDraw));

    std::int32_t width = 0;
    std::int32_t height = 0;
    EXPECT_NE(init(&width, &height), 0);
    EXPECT_EQ(width, 71);
    EXPECT_EQ(height, 96);

    constexpr std::uint32_t kBackground = 0xFF004000;
    PixelBuffer viaModule(300, 120, kBackground);
    EXPECT_NE(draw(viaModule.target(), 0, 0, 51, CDT_FACES, 0), 0);
    EXPECT_NE(drawExt(viaModule.target(), 80, 0, 71, 96, 0, CDT_HILITE, 0), 0);
    EXPECT_NE(animate(viaModule.target(), 54, 160, 0, 3), 0);
    EXPECT_EQ(draw(viaModule.target(), 0, 0, 99, CDT_FACES, 0), 0);

    PixelBuffer linked(300, 120, kBackground);
    cdtDraw(linked.target(), 0, 0, 51, CDT_FACES, 0);
    cdtDrawExt(linked.target(), 80, 0, 71, 96, 0, CDT_HILITE, 0);
    cdtAnimate(linked.target(), 54, 160, 0, 3);
    EXPECT_EQ(viaModule.raw(), linked.raw());

    term();
    cdtTerm();
}

// Loading and unloading twice would crash if the module left anything behind
// that outlived it, such as images held past dlclose.
TEST(Cards32Module, SurvivesUnloadAndReload)
{
    for (int round = 0; round < 2; ++round) {
        LoadedModule module;
        ASSERT_NE(module.handle(), nullptr) << dlerror();
        const auto draw = module.find<CdtDrawFn>("cdtDraw");
        ASSERT_NE(draw, nullptr);
        PixelBuffer buffer(71, 96, 0);
        EXPECT_NE(draw(buffer.target(), 0, 0, 54, CDT_BACKS, 0), 0);
    }
}

} // namespace
