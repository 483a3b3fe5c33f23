#pragma once

#include "cards32/Image.h"

#include <vector>

namespace cards32 {

// A card image whose pixels are each wholly opaque or wholly transparent, with
// every row's opaque pixels found once: where they form one run, drawing the
// row is a plain copy, which at a 4K screen's scale is most of what a falling
// card costs.
class SolidImage {
public:
    // The opaque pixels of one row as [begin, end); `single` when they are
    // all of them, so everything outside the run is transparent.
    struct Run {
        int begin = 0;
        int end = 0;
        bool single = false;
    };

    explicit SolidImage(Image image);

    const Image& image() const { return image_; }
    const Run& run(int row) const { return runs_[static_cast<std::size_t>(row)]; }

private:
    Image image_;
    std::vector<Run> runs_;
};

} // namespace cards32
