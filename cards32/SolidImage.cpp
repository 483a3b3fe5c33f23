#include "cards32/SolidImage.h"

#include <utility>

namespace cards32 {

namespace {

bool isOpaque(std::uint32_t pixel) { return (pixel >> 24) == 0xFF; }

SolidImage::Run runOf(const std::uint32_t* row, int width)
{
    int begin = 0;
    while (begin < width && !isOpaque(row[begin])) {
        ++begin;
    }
    int end = begin;
    while (end < width && isOpaque(row[end])) {
        ++end;
    }
    int rest = end;
    while (rest < width && !isOpaque(row[rest])) {
        ++rest;
    }
    return {begin, end, rest == width};
}

} // namespace

SolidImage::SolidImage(Image image) : image_(std::move(image))
{
    runs_.reserve(static_cast<std::size_t>(image_.height));
    for (int y = 0; y < image_.height; ++y) {
        runs_.push_back(runOf(image_.row(y), image_.width));
    }
}

} // namespace cards32
