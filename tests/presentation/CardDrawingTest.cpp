#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/SharedLibrary.h"
#include "presentation/CardDrawMode.h"
#include "platform/Resources.h"
#include "presentation/CardLibrary.h"
#include "presentation/ScaledOverlays.h"
#include "support/FakeWindow.h"
#include "support/SettingsScope.h"
#include "support/TestOutput.h"
#include "support/TestTable.h"

namespace tw {
namespace {

constexpr ColorRef kPlayfield = Rgb(0, 0x40, 0);
constexpr ColorRef kRing = Rgb(0x3F, 0x7F, 0x3F); // the playfield OR NOT light grey
constexpr ColorRef kBlack = Rgb(0, 0, 0);
const std::string kNoAnimateModule = SharedLibraryFileName("cards32_no_animate");

bool IsModuleInMemory(const std::filesystem::path& module)
{
    return SharedLibrary::IfLoaded(ProgramDirectory() / module).IsLoaded();
}

// How many pixels of the box `is` holds for.
template <typename Predicate>
int CountIn(const Rect& box, Predicate is)
{
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) { count += is(x, y); }
    }
    return count;
}

// A module without every export stays loaded until Unload, and blocks
// another load meanwhile. A full path is found in a folder of any name, as a
// player's may have one that the system's code page cannot spell.
TEST(CardLibraryLoad, TellsTheOwnerWhatIsMissing)
{
    const std::filesystem::path anyFolder = test::TestOutputPath("") / u8"Spiele Zo\u00EB";
    std::filesystem::remove_all(anyFolder); // GCC 12's copy_file overwrites nothing on Windows
    std::filesystem::create_directories(anyFolder);
    std::filesystem::copy_file(ProgramDirectory() / kNoAnimateModule, anyFolder / kNoAnimateModule);
    for (const std::filesystem::path& module : {std::filesystem::path(SharedLibraryFileName("cards32_nowhere")),
                                                std::filesystem::path(kNoAnimateModule), anyFolder / kNoAnimateModule}) {
        SCOPED_TRACE(module.string());
        const bool found = module.filename() == kNoAnimateModule;
        const char* const text = found ? "Tumblewick could not find all exports from the file 'CARDS32.DLL'.  Be sure "
                                         "you have the proper version of this file and try again."
                                       : "Tumblewick could not find the file 'CARDS32.DLL' which should be in your "
                                         "Windows system folder (e.g. C:\\Windows\\System).  Please locate the "
                                         "file, copy it to this folder, and try again.";
        test::FakeWindow owner;
        CardLibrary library(module);
        EXPECT_EQ(library.Load(owner), 0);
        ASSERT_EQ(owner.messages.size(), 1u);
        EXPECT_EQ(std::tuple(owner.messages[0].text, owner.messages[0].caption, owner.messages[0].style), std::tuple(text, "", 0u));
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
    const SharedLibrary observer = SharedLibrary::Open(ProgramDirectory() / kNoAnimateModule);
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

// The painter draws the game's cards through the library, and the empty
// slot's marker itself.
struct CardPainting : ::testing::Test {
    ColorRef At(int x, int y) { return *table.screen.image.GetPixel(x, y); }
    int NotPlayfield(const Rect& box) { return CountIn(box, [&](int x, int y) { return At(x, y) != kPlayfield; }); }

    test::SettingsScope scope;
    test::TestTable table;
};

// The component beside the program loads. A face is put on the screen as
// the card rectangle (that nothing lands outside it, the component's own
// tests see); Remove fills the rectangle with the colour, red in the low
// byte of a ColorRef, up to the client area's edges. Unloading keeps the card
// size, for the layout. The second load would crash if the module left
// anything behind that outlived it, such as images held past dlclose.
TEST_F(CardPainting, TheLibraryPutsAFaceOnTheCardRectangleAndNothingOnceUnloaded)
{
    table.screen.presented.clear();
    EXPECT_NE(table.library.Draw(table.dc, 20, 30, 51, 0, kPlayfield), 0);
    EXPECT_GT(NotPlayfield(table.dc.ClipBox()), 71 * 96 / 2);
    EXPECT_EQ(table.screen.presented, std::vector{Rect::FromSize(20, 30, 71, 96)});
    const Bitmap face = table.Snapshot();
    table.Clear();
    table.library.Draw(table.dc, 590, 410, 0, 4, Rgb(0x56, 0x78, 0x9A));
    EXPECT_EQ(std::ranges::count(table.screen.image.Data(), 0xFF56789Au), 50 * 50);
    table.library.Unload();
    EXPECT_EQ(std::pair(table.library.GetCardWidth(), table.library.GetCardHeight()), std::pair(71, 96));
    EXPECT_EQ(table.library.Draw(table.dc, 20, 30, 51, 0, kPlayfield), 0);
    ASSERT_NE(table.library.Load(table.window), 0);
    table.library.Draw(table.dc, 590, 410, 0, 4, kPlayfield);
    table.library.Draw(table.dc, 20, 30, 51, 0, kPlayfield);
    EXPECT_TRUE(table.screen.image.HasSamePixels(face));
}

// Face down shows the back design rather than the face; an invisible card
// wipes its rectangle with the playfield, as a collapsing stack shows.
TEST_F(CardPainting, FaceDownShowsTheBackAndTheEmptySlotLightensARingAndOutlinesTheCardOverAnyBackground)
{
    table.painter.Draw(table.dc, 0, 0, 0, FaceUp, 54, true);
    table.painter.Draw(table.dc, 100, 0, 0, FaceDown, 54, true);
    EXPECT_GT(CountIn(Rect{5, 5, 65, 90}, [&](int x, int y) { return At(x, y) != At(100 + x, y); }), 1000);

    table.Clear();
    const Bitmap before = table.Snapshot();
    table.painter.Draw(table.dc, 100, 50, 3, EmptySlot, 54, true);

    // The outline's corners are cut; inside the ring and beyond the 70 by 95
    // overlay the playfield shows.
    for (const auto& [x, y, colour] : std::vector<std::tuple<int, int, ColorRef>>{
             {0, 0, kPlayfield}, {1, 0, kBlack}, {0, 1, kBlack}, {69, 93, kBlack}, {69, 94, kPlayfield},
             {7, 47, kRing}, {35, 17, kRing}, {35, 47, kPlayfield}, {70, 40, kPlayfield}}) {
        EXPECT_EQ(At(100 + x, 50 + y), colour) << x << "," << y;
    }
    // Everything else keeps the background: only the ring and outline change.
    const auto changed = [&](int x, int y) { return At(x, y) != *before.GetPixel(x, y); };
    const auto neither = [&](int x, int y) { return changed(x, y) && At(x, y) != kRing && At(x, y) != kBlack; };
    EXPECT_EQ(CountIn(table.dc.ClipBox(), neither), 0);
}

// Drawn afresh from its geometry, the ring is the resource's at one device
// pixel per logical pixel; at three it agrees in the middle of every logical
// pixel while its edge runs through them: as fine as the screen, not tripled.
TEST(ScaledOverlays, TheRingFollowsTheResourceAndItsEdgeIsAsFineAsTheScreen)
{
    const Bitmap mask = *LoadBitmapResource(168);
    const Bitmap three = ScaledRingMask(mask, 3);
    EXPECT_TRUE(ScaledRingMask(mask, 1).HasSamePixels(mask));
    const Rect logical = Rect::FromSize(0, 0, mask.Width(), mask.Height());
    const auto differs = [&](int x, int y) { return three.GetPixel(3 * x + 1, 3 * y + 1) != mask.GetPixel(x, y); };
    const auto split = [&](int x, int y) { return three.GetPixel(3 * x, 3 * y) != three.GetPixel(3 * x + 2, 3 * y + 2); };
    EXPECT_EQ(CountIn(logical, differs), 0);
    EXPECT_GT(CountIn(logical, split), 100);
}

} // namespace
} // namespace tw
