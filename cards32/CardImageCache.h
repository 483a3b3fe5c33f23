#pragma once

#include "cards32/CardImages.h"
#include "cards32/SolidImage.h"

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace cards32 {

// Rendered card images, made on first use and kept until cleared. The game
// draws the same few dozen images over and over, and rendering one costs far
// more than copying it.
//
// Only the images of one scale are kept: a window draws at one scale, and a
// window resized through every scale up to a large screen's would otherwise
// hold hundreds of megabytes of images it no longer shows. Those of another
// scale go when the first image of a new one is made.
class CardImageCache {
public:
    // The image, rendering it if needed; null when there is no such image.
    // Shared, so a draw never copies it and `clear` never pulls it from under
    // a draw in progress.
    std::shared_ptr<const SolidImage> image(ImageKind kind, int index, int scale);

    void clear();

    std::size_t size() const;

private:
    using Key = std::tuple<ImageKind, int, int>;

    mutable std::mutex mutex_;
    int scale_ = 0;
    std::map<Key, std::shared_ptr<const SolidImage>> images_;
};

// The one cache behind the exported functions.
CardImageCache& sharedCache();

} // namespace cards32
