#pragma once

#include <algorithm>

#include "model/GameDC.h"
#include "platform/DeviceContext.h"
#include "platform/Resources.h"
#include "presentation/CardLibrary.h"
#include "presentation/CardPainter.h"
#include "settings/Settings.h"
#include "support/FakeSurface.h"
#include "support/FakeWindow.h"
#include "support/SoundRecorder.h"

namespace tw::test {

// A playfield in a fake window: a client area filled with the background
// colour, the real card component and overlay bitmaps, and sound effects
// that only listen.
class TestTable {
public:
    explicit TestTable(int width = 640, int height = 460, int scale = 1)
        : window(width, height, scale), dc(screen), mask(*LoadBitmapResource(168)),
          outline(*LoadBitmapResource(169)), painter(library, mask, outline),
          gameDc{dc, painter, sound}
    {
        library.Load(window);
        Clear();
    }

    // Fills the client area as the window's background erase does.
    void Clear() { dc.FillRect(dc.ClipBox(), static_cast<ColorRef>(settings.BackgroundColor)); }

    // A copy of what the client area shows now.
    Bitmap Snapshot() const
    {
        Bitmap copy(screen.image.Width(), screen.image.Height(), screen.image.Scale());
        std::ranges::copy(screen.image.Data(), copy.Pixels().pixels);
        return copy;
    }

    FakeWindow window;
    FakeSurface& screen = window.surface;
    ClientDC dc;
    CardLibrary library;
    Bitmap mask;
    Bitmap outline;
    CardPainter painter;
    SoundRecorder sound;
    GameDC gameDc;
};

} // namespace tw::test
