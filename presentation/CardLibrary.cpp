#include "presentation/CardLibrary.h"

#include <utility>

#include "platform/DeviceContext.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

namespace tw {
namespace {

constexpr const char* kModuleMissing =
    "Tumblewick could not find the file 'CARDS32.DLL' which should be in your Windows system "
    "folder (e.g. C:\\Windows\\System).  Please locate the file, copy it to this folder, and try "
    "again.";

constexpr const char* kExportsMissing =
    "Tumblewick could not find all exports from the file 'CARDS32.DLL'.  Be sure you have the "
    "proper version of this file and try again.";

static_assert(Bitmap::kMaxScale <= CDT_MAX_SCALE, "the card component draws on every window image");

template <typename Function>
Function Export(const SharedLibrary& module, const char* name)
{
    return reinterpret_cast<Function>(module.Symbol(name));
}

} // namespace

CardLibrary::CardLibrary(std::filesystem::path moduleName) : moduleName(std::move(moduleName)) {}

CardLibrary::~CardLibrary()
{
    if (module.IsLoaded()) {
        Unload();
    }
}

SharedLibrary CardLibrary::OpenModule() const
{
    SharedLibrary beside = SharedLibrary::Open(ProgramDirectory() / moduleName);
    return beside.IsLoaded() ? std::move(beside) : SharedLibrary::Open(moduleName);
}

int CardLibrary::Load(Window& owner)
{
    if (module.IsLoaded()) {
        return 0;
    }
    module = OpenModule();
    if (!module.IsLoaded()) {
        owner.ShowMessage(kModuleMissing, "", MessageBoxOk);
        return 0;
    }
    cdtInit = Export<CdtInitFn>(module, "cdtInit");
    cdtTerm = Export<CdtTermFn>(module, "cdtTerm");
    cdtDraw = Export<CdtDrawFn>(module, "cdtDraw");
    cdtDrawExt = Export<CdtDrawExtFn>(module, "cdtDrawExt");
    cdtAnimate = Export<CdtAnimateFn>(module, "cdtAnimate");
    if (!cdtInit || !cdtTerm || !cdtDraw || !cdtDrawExt || !cdtAnimate) {
        // The module stays loaded until Unload, as a half-found one always has.
        owner.ShowMessage(kExportsMissing, "", MessageBoxOk);
        return 0;
    }
    return cdtInit(&cardWidth, &cardHeight);
}

void CardLibrary::Unload()
{
    if (cdtTerm) {
        cdtTerm();
    }
    Reset();
}

// Letting go of the module handle unloads it: nothing can keep a dangling
// handle here.
void CardLibrary::Reset()
{
    module.Close();
    cdtInit = nullptr;
    cdtDraw = nullptr;
    cdtDrawExt = nullptr;
    cdtAnimate = nullptr;
    cdtTerm = nullptr;
}

int CardLibrary::Draw(DeviceContext& dc, int x, int y, int card, int mode, ColorRef colour) const
{
    if (!cdtDraw) {
        return 0;
    }
    const auto lock = dc.LockPixels(Rect::FromSize(x, y, cardWidth, cardHeight));
    const PixelView& view = lock.View();
    const CdtTarget target{view.pixels, view.width, view.height, view.stride, view.scale};
    return cdtDraw(&target, x, y, card, mode, colour);
}

} // namespace tw
