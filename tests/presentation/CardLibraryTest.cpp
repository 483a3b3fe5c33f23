#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/SharedLibrary.h"
#include "presentation/CardLibrary.h"
#include "support/FakeSurface.h"
#include "support/FakeWindow.h"

namespace tw {
namespace {

constexpr ColorRef kGreen = Rgb(0, 0x40, 0);
constexpr const char* kNoAnimateModule = "libcards32_no_animate.so";

bool IsModuleInMemory(const char* fileName)
{
    void* handle = dlopen((ProgramDirectory() / fileName).string().c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle != nullptr && dlclose(handle) == 0;
}

std::ptrdiff_t CountChanged(const Bitmap& bitmap, ColorRef background)
{
    return std::ranges::count_if(bitmap.Data(), [&](std::uint32_t pixel) { return FromDevicePixel(pixel) != background; });
}

// A module without every export stays loaded until Unload, and blocks
// another load meanwhile.
TEST(CardLibraryLoad, TellsTheOwnerWhatIsMissing)
{
    const std::pair<const char*, const char*> cases[] = {
        {"libcards32_nowhere.so",
         "Tumblewick could not find the file 'CARDS32.DLL' which should be in your Windows system folder "
         "(e.g. C:\\Windows\\System).  Please locate the file, copy it to this folder, and try again."},
        {kNoAnimateModule, "Tumblewick could not find all exports from the file 'CARDS32.DLL'.  Be sure you "
                           "have the proper version of this file and try again."}};
    for (const auto& [module, text] : cases) {
        const bool found = std::string_view(module) == kNoAnimateModule;
        test::FakeWindow owner;
        CardLibrary library(module);
        EXPECT_EQ(library.Load(owner), 0);
        ASSERT_EQ(owner.messages.size(), 1u);
        EXPECT_EQ(owner.messages[0].text, text);
        EXPECT_EQ(std::pair(owner.messages[0].caption, owner.messages[0].style), std::pair(std::string(), 0u));
        EXPECT_EQ(std::pair(library.IsLoaded(), IsModuleInMemory(module)), std::pair(found, found));
        EXPECT_EQ(library.Load(owner), 0);
        EXPECT_EQ(owner.messages.size(), found ? 1u : 2u) << "a module still loaded blocks another load silently";
        library.Unload();
        EXPECT_FALSE(IsModuleInMemory(module));
    }
}

// Keeps the test module mapped on its own, so the module's count of cdtTerm
// calls can be read after the library under test has let go of it.
TEST(CardLibraryUnload, TerminatesTheComponentOnceWhetherByUnloadOrDestructor)
{
    const SharedLibrary observer = SharedLibrary::Open((ProgramDirectory() / kNoAnimateModule).string());
    const auto* termCalls = static_cast<const std::int32_t*>(observer.Symbol("fixtureTermCalls"));
    ASSERT_NE(termCalls, nullptr);
    const std::int32_t before = *termCalls;
    test::FakeWindow owner;
    {
        CardLibrary unloaded(kNoAnimateModule), destroyed(kNoAnimateModule);
        unloaded.Load(owner);
        destroyed.Load(owner);
        unloaded.Unload();
        unloaded.Unload();
        EXPECT_EQ(*termCalls - before, 1) << "terminated once, by the first Unload";
    }
    EXPECT_EQ(*termCalls - before, 2) << "the destructor unloads a loaded module only";
}

// The component beside the program loads once. A face lands inside the card
// rectangle only; Remove fills the rectangle with the colour up to the client
// area's edges. Unloading keeps the card size, for the layout, and allows a
// new load.
TEST(CardLibraryDraw, PutsAFaceInsideTheCardRectangleOnlyAndNothingOnceUnloaded)
{
    test::FakeWindow owner;
    CardLibrary library;
    test::FakeSurface screen(200, 150);
    ClientDC dc(screen);
    dc.FillRect(dc.ClipBox(), kGreen);
    ASSERT_NE(library.Load(owner), 0);
    EXPECT_EQ((std::pair{library.Load(owner), owner.messages.size()}), std::pair(0, std::size_t{0})) << "already loaded, silently";
    screen.presented.clear();
    EXPECT_NE(library.Draw(dc, 20, 30, 51, 0, kGreen), 0);
    EXPECT_GT(CountChanged(screen.image, kGreen), 71 * 96 / 2);
    EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(20, 30, 71, 96)});
    dc.FillRect(Rect::FromSize(20, 30, 71, 96), kGreen);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 0) << "drawn outside the card";
    library.Draw(dc, 150, 100, 0, 4, Rgb(0xFF, 0, 0));
    EXPECT_EQ(std::ranges::count(screen.image.Data(), 0xFFFF0000u), 50 * 50);
    library.Unload();
    EXPECT_EQ(std::pair(library.GetCardWidth(), library.GetCardHeight()), std::pair(71, 96));
    EXPECT_EQ(library.Draw(dc, 20, 30, 51, 0, kGreen), 0);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 50 * 50);
    EXPECT_NE(library.Load(owner), 0);
}

} // namespace
} // namespace tw
