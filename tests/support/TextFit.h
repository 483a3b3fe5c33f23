#pragma once

#include <string>
#include <string_view>

namespace tw::test {

// The dialog tests of every backend measure a control's text as that
// control lays it out, in its own font, and say the same of one that does
// not fit. Sizes are pixels.
struct TextExtent {
    int width = 0;
    int height = 0;
};

// Empty when `need` fits `room`; otherwise the text and both sizes.
inline std::string Unfit(std::string_view text, TextExtent need, TextExtent room)
{
    if (need.width <= room.width && need.height <= room.height) {
        return {};
    }
    return std::string(text) + " needs " + std::to_string(need.width) + "x" + std::to_string(need.height) + " in "
        + std::to_string(room.width) + "x" + std::to_string(room.height);
}

} // namespace tw::test
