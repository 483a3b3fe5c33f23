#include "cards32/CardImageCache.h"

#include "cards32/CardMetrics.h"

namespace cards32 {

std::shared_ptr<const SolidImage> CardImageCache::image(ImageKind kind, int index, int scale)
{
    if (!IsCardImage(kind, index) || scale < 1 || scale > kMaxScale) {
        return nullptr;
    }
    const Key key{kind, index, scale};
    std::lock_guard lock(mutex_);
    if (auto found = images_.find(key); found != images_.end()) {
        return found->second;
    }
    std::optional<Image> rendered = RenderCardImage(kind, index, scale);
    if (!rendered) {
        return nullptr;
    }
    if (scale != scale_) {
        images_.clear();
        scale_ = scale;
    }
    auto solid = std::make_shared<const SolidImage>(std::move(*rendered));
    images_.emplace(key, solid);
    return solid;
}

void CardImageCache::clear()
{
    std::lock_guard lock(mutex_);
    images_.clear();
}

std::size_t CardImageCache::size() const
{
    std::lock_guard lock(mutex_);
    return images_.size();
}

namespace {

// Made when the module is loaded and destroyed when it is unloaded, not on
// first use: the guard of a function's static would have the threads library
// linked into the Windows module set up a TLS index and a record of the
// thread, which it never gives back, and a process has only 1,088 of them.
CardImageCache cache;

} // namespace

CardImageCache& sharedCache() { return cache; }

} // namespace cards32
