#include "cards32/SolidImage.h"

#include <utility>

namespace cards32 {

namespace {

bool isOpaque(QRgb pixel) { return (pixel >> 24) == 0xFF; }

SolidImage::Run runOf(const QRgb* row, int width)
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

SolidImage::SolidImage(QImage image) : image_(std::move(image))
{
    if (image_.format() != QImage::Format_ARGB32_Premultiplied) {
        image_ = image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    runs_.reserve(static_cast<std::size_t>(image_.height()));
    for (int y = 0; y < image_.height(); ++y) {
        runs_.push_back(runOf(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), image_.width()));
    }
}

} // namespace cards32
