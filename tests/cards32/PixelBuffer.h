#pragma once

#include "cards32/cards32.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

// A caller-owned pixel block for the drawing functions. The vector holds
// exactly height * stride pixels, so under AddressSanitizer a write past the
// last row is caught; a stride wider than the width leaves a margin at the end
// of each row that drawing must never touch.
class PixelBuffer {
public:
    PixelBuffer(int width, int height, std::uint32_t fill, int scale = 1, int margin = 0)
        : pixels_(static_cast<std::size_t>(height) * (width + margin), fill),
          target_{pixels_.data(), width, height, width + margin, scale}
    {
    }

    const CdtTarget* target() const { return &target_; }
    int width() const { return target_.width; }
    int height() const { return target_.height; }
    int stride() const { return target_.stride; }
    std::uint32_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * target_.stride + x]; }
    const std::vector<std::uint32_t>& raw() const { return pixels_; }

private:
    std::vector<std::uint32_t> pixels_;
    CdtTarget target_;
};

// The smallest rectangle holding every pixel that differs from the background,
// all zero when nothing changed, and whether the row margins were touched.
struct ChangedArea {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool marginTouched = false;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const ChangedArea&, const ChangedArea&) = default;
    friend std::ostream& operator<<(std::ostream& out, const ChangedArea& a)
    {
        return out << "(" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom << ")"
                   << (a.marginTouched ? " and the margin" : "");
    }
};

inline ChangedArea changedArea(const PixelBuffer& buffer, std::uint32_t background)
{
    ChangedArea area{buffer.width(), buffer.height(), 0, 0, false};
    for (int y = 0; y < buffer.height(); ++y) {
        for (int x = 0; x < buffer.stride(); ++x) {
            if (buffer.at(x, y) != background && x >= buffer.width()) {
                area.marginTouched = true;
            } else if (buffer.at(x, y) != background) {
                area = {std::min(area.left, x), std::min(area.top, y), std::max(area.right, x + 1),
                        std::max(area.bottom, y + 1), area.marginTouched};
            }
        }
    }
    return area.right == 0 ? ChangedArea{0, 0, 0, 0, area.marginTouched} : area;
}
