#include <gtest/gtest.h>

#include <dlfcn.h>

#include "platform/DeviceContext.h"
#include "platform/SharedLibrary.h"
#include "presentation/CardLibrary.h"
#include "support/FakeSurface.h"
#include "support/FakeWindow.h"

namespace tw {
namespace {

using test::FakeSurface;
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

TEST(CardLibraryLoad, FindsTheComponentBesideTheProgramAndLearnsTheCardSize)
{
    FakeWindow owner;
    CardLibrary library;
    EXPECT_NE(library.Load(owner), 0);
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.GetCardWidth(), 71);
    EXPECT_EQ(library.GetCardHeight(), 96);
    EXPECT_TRUE(owner.messages.empty());
}

TEST(CardLibraryLoad, ASecondLoadReturnsZeroAndSaysNothing)
{
    FakeWindow owner;
    CardLibrary library;
    ASSERT_NE(library.Load(owner), 0);
    EXPECT_EQ(library.Load(owner), 0);
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_TRUE(library.IsLoaded());
}

TEST(CardLibraryLoad, AMissingComponentIsReportedToTheOwner)
{
    FakeWindow owner;
    CardLibrary library("libcards32_nowhere.so");
    EXPECT_EQ(library.Load(owner), 0);
    EXPECT_FALSE(library.IsLoaded());
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].text,
              "Tumblewick could not find the file 'CARDS32.DLL' which should be in your Windows "
              "system folder (e.g. C:\\Windows\\System).  Please locate the file, copy it to this "
              "folder, and try again.");
    EXPECT_EQ(owner.messages[0].caption, "");
    EXPECT_EQ(owner.messages[0].style, 0u);
}

TEST(CardLibraryLoad, AComponentWithoutEveryExportIsRefusedButStaysLoadedUntilUnload)
{
    FakeWindow owner;
    CardLibrary library(kNoAnimateModule);
    EXPECT_EQ(library.Load(owner), 0);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].text,
              "Tumblewick could not find all exports from the file 'CARDS32.DLL'.  Be sure you "
              "have the proper version of this file and try again.");
    EXPECT_EQ(owner.messages[0].caption, "");
    EXPECT_EQ(owner.messages[0].style, 0u);

    EXPECT_TRUE(IsModuleInMemory(kNoAnimateModule));
    EXPECT_EQ(library.Load(owner), 0) << "a loaded module blocks another load";
    EXPECT_EQ(owner.messages.size(), 1u);

    library.Unload();
    EXPECT_FALSE(IsModuleInMemory(kNoAnimateModule));
}

// Keeps the test module mapped on its own, so the module's count of cdtTerm
// calls can be read after the library under test has let go of it.
class CardLibraryUnload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(observer.IsLoaded());
        termCalls = static_cast<const std::int32_t*>(observer.Symbol("fixtureTermCalls"));
        ASSERT_NE(termCalls, nullptr);
        before = *termCalls;
    }

    std::int32_t TermCallsSinceStart() const { return *termCalls - before; }

    const SharedLibrary observer = SharedLibrary::Open((ProgramDirectory() / kNoAnimateModule).string());
    const std::int32_t* termCalls = nullptr;
    std::int32_t before = 0;
    FakeWindow owner;
};

TEST_F(CardLibraryUnload, TerminatesTheComponentAndForgetsItsEntryPoints)
{
    {
        CardLibrary library(kNoAnimateModule);
        library.Load(owner);
        library.Unload();
        EXPECT_EQ(TermCallsSinceStart(), 1);
        EXPECT_FALSE(library.IsLoaded());
        library.Unload();
        EXPECT_EQ(TermCallsSinceStart(), 1) << "nothing left to terminate";
    }
    EXPECT_EQ(TermCallsSinceStart(), 1) << "the destructor unloads only a loaded module";
}

TEST_F(CardLibraryUnload, TheDestructorUnloadsALoadedComponent)
{
    {
        CardLibrary library(kNoAnimateModule);
        library.Load(owner);
    }
    EXPECT_EQ(TermCallsSinceStart(), 1);
}

class CardLibraryDraw : public ::testing::Test {
protected:
    CardLibraryDraw() { dc.FillRect(dc.ClipBox(), kGreen); }

    FakeWindow owner;
    CardLibrary library;
    FakeSurface screen{200, 150};
    ClientDC dc{screen};
};

TEST_F(CardLibraryDraw, DrawsNothingWhileNotLoaded)
{
    EXPECT_EQ(library.Draw(dc, 10, 10, 0, 0, kGreen), 0);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 0);
}

TEST_F(CardLibraryDraw, PutsAFaceOnTheScreenInsideTheCardRectangle)
{
    ASSERT_NE(library.Load(owner), 0);
    screen.presented.clear();
    EXPECT_NE(library.Draw(dc, 20, 30, 51, 0, kGreen), 0);
    EXPECT_GT(CountChanged(screen.image, kGreen), 71 * 96 / 2);
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (x < 20 || x >= 91 || y < 30 || y >= 126) {
                ASSERT_EQ(*screen.image.GetPixel(x, y), kGreen) << x << "," << y;
            }
        }
    }
    ASSERT_EQ(screen.presented.size(), 1u);
    EXPECT_EQ(screen.presented[0], Rect::FromSize(20, 30, 71, 96));
}

TEST_F(CardLibraryDraw, RemoveFillsTheCardRectangleWithTheColour)
{
    ASSERT_NE(library.Load(owner), 0);
    const ColorRef red = Rgb(0xFF, 0, 0);
    library.Draw(dc, 150, 100, 0, 4, red);
    int filled = 0;
    for (const std::uint32_t pixel : screen.image.Data()) {
        filled += pixel == 0xFFFF0000u;
    }
    EXPECT_EQ(filled, 50 * 50) << "clipped at the right and bottom edges";
}

TEST_F(CardLibraryDraw, KeepsTheCardSizeAfterUnloadButDrawsNoMore)
{
    ASSERT_NE(library.Load(owner), 0);
    library.Unload();
    EXPECT_EQ(library.GetCardWidth(), 71);
    EXPECT_EQ(library.GetCardHeight(), 96);
    EXPECT_EQ(library.Draw(dc, 0, 0, 0, 0, kGreen), 0);
    EXPECT_EQ(CountChanged(screen.image, kGreen), 0);
    EXPECT_NE(library.Load(owner), 0) << "an unloaded library can be loaded again";
}

} // namespace
} // namespace tw
