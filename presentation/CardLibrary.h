#pragma once

#include <cstdint>
#include <filesystem>

#include "cards32/cards32.h"
#include "platform/ColorRef.h"
#include "platform/SharedLibrary.h"

namespace tw {

class DeviceContext;
class Window;

// The card-drawing component, loaded at run time. Only cdtInit, cdtDraw and
// cdtTerm are ever called, but a module without all five exports is refused:
// it is not the component the game was made for.
class CardLibrary {
public:
    // The module's file name, or a full path; the default is the card
    // component's own.
    explicit CardLibrary(std::filesystem::path moduleName = SharedLibraryFileName("cards32"));
    virtual ~CardLibrary();
    CardLibrary(const CardLibrary&) = delete;
    CardLibrary& operator=(const CardLibrary&) = delete;

    // Finds the module in the program's own folder first, then on the
    // system's library path. Nonzero on success; 0 when already loaded, or
    // after telling `owner` what went wrong.
    int Load(Window& owner);
    void Unload();
    void Reset();

    bool IsLoaded() const { return module.IsLoaded(); }

    // What cdtDraw returns; 0 while no module is loaded.
    int Draw(DeviceContext& dc, int x, int y, int card, int mode, ColorRef colour) const;

    int GetCardWidth() const { return cardWidth; }
    int GetCardHeight() const { return cardHeight; }

private:
    SharedLibrary OpenModule() const;

    std::filesystem::path moduleName;
    SharedLibrary module;
    std::int32_t cardHeight = 0;
    std::int32_t cardWidth = 0;
    CdtInitFn cdtInit = nullptr;
    CdtDrawFn cdtDraw = nullptr;
    CdtDrawExtFn cdtDrawExt = nullptr;
    CdtAnimateFn cdtAnimate = nullptr;
    CdtTermFn cdtTerm = nullptr;
};

} // namespace tw
