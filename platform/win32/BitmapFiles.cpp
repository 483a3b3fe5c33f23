#include "platform/Bitmap.h"

#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <memory>

// Bitmaps read from and written to image files through GDI+, which reads
// every format Windows knows and writes PNG.
namespace tw {
namespace {

// GDI+ is started for each file and ended with it: files are read and
// written rarely, and never while something else is drawn with it.
class GdiplusSession {
public:
    GdiplusSession()
    {
        const Gdiplus::GdiplusStartupInput input;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession()
    {
        if (started) {
            Gdiplus::GdiplusShutdown(token);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    explicit operator bool() const { return started; }

private:
    ULONG_PTR token = 0;
    bool started = false;
};

// The PNG encoder's class id, found among the installed encoders.
bool FindPngEncoder(CLSID& encoder)
{
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
        return false;
    }
    const auto buffer = std::make_unique<std::byte[]>(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) {
        return false;
    }
    const auto png = std::find_if(codecs, codecs + count,
                                  [](const Gdiplus::ImageCodecInfo& codec) { return codec.FormatID == Gdiplus::ImageFormatPNG; });
    if (png == codecs + count) {
        return false;
    }
    encoder = png->Clsid;
    return true;
}

} // namespace

std::optional<Bitmap> Bitmap::Load(const std::filesystem::path& file, int scale)
{
    const GdiplusSession session;
    if (!session) {
        return std::nullopt;
    }
    Gdiplus::Bitmap image(file.wstring().c_str());
    if (image.GetLastStatus() != Gdiplus::Ok || image.GetWidth() == 0) {
        return std::nullopt;
    }
    scale = std::max(scale, 1);
    const int width = static_cast<int>(image.GetWidth()), height = static_cast<int>(image.GetHeight());
    Gdiplus::BitmapData data {};
    const Gdiplus::Rect whole(0, 0, width, height);
    if (image.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok) {
        return std::nullopt;
    }
    // Each pixel of the file becomes a square of scale × scale device pixels.
    Bitmap bitmap(width, height, scale);
    const PixelView pixels = bitmap.Pixels();
    for (int y = 0; y < pixels.height; ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(static_cast<const std::byte*>(data.Scan0) +
                                                                     static_cast<std::ptrdiff_t>(y / scale) * data.Stride);
        std::uint32_t* target = pixels.pixels + static_cast<std::ptrdiff_t>(y) * pixels.stride;
        for (int x = 0; x < pixels.width; ++x) {
            target[x] = 0xFF000000u | source[x / scale];
        }
    }
    image.UnlockBits(&data);
    return bitmap;
}

bool Bitmap::SavePng(const std::filesystem::path& file) const
{
    const GdiplusSession session;
    CLSID encoder {};
    if (pixels.empty() || !session || !FindPngEncoder(encoder)) {
        return false;
    }
    // GDI+ only reads the pixels here, whatever its signature says.
    Gdiplus::Bitmap image(DeviceWidth(), DeviceHeight(), DeviceWidth() * static_cast<INT>(sizeof(std::uint32_t)),
                          PixelFormat32bppRGB, reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.data())));
    return image.GetLastStatus() == Gdiplus::Ok && image.Save(file.wstring().c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

} // namespace tw
