#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/SharedLibrary.h"
#include "presentation/CardLibrary.h"
#include "support/FakeSurface.h"
#include "support/FakeWindow.h"

namespace tw {
namespace {

using test::FakeWindow;

constexpr ColorRef kGreen = Rgb(0, 0x40, 0);
constexpr const char* kNoAnimateModule = "libcards32_no_animate.so";

bool IsModuleInMemory(const char* fileName)
{
    const std::string path = (ProgramDirectory() / fileName).string();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) {
        dlclose(handle);
    }
    return handle != nullptr;
}

int CountChanged(const Bitmap& bitmap, ColorRef background)
{
    int changed = 0;
    for (const std::uint32_t pixel : bitmap.Data()) {
        changed += FromDevicePixel(pixel) != background;
    }
    return changed;
}

TEST(CardLibraryLoad, FindsTheComponentBesideTheProgramOnceAndLearnsTheCardSize)
{
    FakeWindow owner;
    CardLibrary library;
    EXPECT_NE(library.Load(owner), 0);
    EXPECT_EQ(library.Load(owner), 0) << "already loaded";
    EXPECT_EQ(std::pair(library.GetCardWidth(), library.GetCardHeight()), std::pair(71, 96));
    EXPECT_TRUE(owner.messages.empty());
}

// A module without every export stays loaded until Unload, and blocks
// another load meanwhile.
TEST(CardLibraryLoad, TellsTheOwnerWhatIsMissing)
{
    for (const auto& [module, text] :
         {std::pair{"libcards32_nowhere.so",
                    "Tumblewick could not find the file 'CARDS32.DLL' which should be in your Windows system folder "
                    "(e.g. C:\\Windows\\System).  Please locate the file, copy it to this folder, and try again."},
          {kNoAnimateModule, "Tumblewick could not find all exports from the file 'CARDS32.DLL'.  Be sure you have "
                             "the proper version of this file and try again."}}) {
        const bool found = std::string_view(module) == kNoAnimateModule;
        FakeWindow owner;
        CardLibrary library(module);
        EXPECT_EQ(library.Load(owner), 0);
        ASSERT_EQ(owner.messages.size(), 1u);
        const auto& shown = owner.messages[0];
        EXPECT_EQ(std::tie(shown.text, shown.caption, shown.style), std::tuple(text, "", 0u));
        EXPECT_EQ(library.IsLoaded(), found);
        EXPECT_EQ(IsModuleInMemory(module), found);
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
    FakeWindow owner;
    {
        CardLibrary library(kNoAnimateModule);
        library.Load(owner);
        library.Unload();
        EXPECT_EQ(*termCalls - before, 1);
        EXPECT_FALSE(library.IsLoaded());
        library.Unload();
    }
    EXPECT_EQ(*termCalls - before, 1) << "nothing left to terminate";
    {
        CardLibrary library(kNoAnimateModule);
        library.Load(owner);
    }
    EXPECT_EQ(*termCalls - before, 2) << "the destructor unloads a loaded module";
}

class CardLibraryDraw : public ::testing::Test {
protected:
    CardLibraryDraw() { dc.FillRect(dc.ClipBox(), kGreen); }

    FakeWindow owner;
    CardLibrary library;
    test::FakeSurface screen{200, 150};
    ClientDC dc{screen};
};

// A face lands inside the card rectangle only; Remove fills the rectangle
// with the colour up to the client area's edges.
TEST_F(CardLibraryDraw, PutsAFaceOnTheScreenInsideTheCardRectangleOnly)
{
    ASSERT_NE(library.Load(owner), 0);
    screen.presented.clear();
    EXPECT_NE(library.Draw(dc, 20, 30, 51, 0, kGreen), 0);
    EXPECT_GT(CountChanged(screen.image, kGreen), 71 * 96 / 2);
    EXPECT_EQ(screen.presented, std::vector{Rect::FromSize(20, 30, 71, 96)});
    dc.FillRect(Rect::FromSize(20, 30, 71, 96), kGreen);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 0) << "drawn outside the card";
    library.Draw(dc, 150, 100, 0, 4, Rgb(0xFF, 0, 0));
    EXPECT_EQ(std::ranges::count(screen.image.Data(), 0xFFFF0000u), 50 * 50);
}

TEST_F(CardLibraryDraw, DrawsNothingUnloadedButKeepsTheCardSizeAndCanLoadAgain)
{
    EXPECT_EQ(library.Draw(dc, 10, 10, 0, 0, kGreen), 0);
    ASSERT_NE(library.Load(owner), 0);
    library.Unload();
    EXPECT_EQ(std::pair(library.GetCardWidth(), library.GetCardHeight()), std::pair(71, 96));
    EXPECT_EQ(library.Draw(dc, 0, 0, 0, 0, kGreen), 0);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 0);
    EXPECT_NE(library.Load(owner), 0);
}

} // namespace
} // namespace tw
