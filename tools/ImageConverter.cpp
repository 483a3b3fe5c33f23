// Turns the program's images into the files a Windows resource script takes:
//
//   tw_image_converter <out.bmp> <image>
//   tw_image_converter <out.ico> <image> [<image> ...]
//
// A .bmp is the image as a plain 24-bit bitmap. An .ico holds each image as
// one size of the icon, stored as PNG, as Windows takes icons of every size
// since Vista.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void PutLittleEndian(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

bool WriteIcon(const QString& file, const std::vector<QImage>& sizes)
{
    std::vector<QByteArray> encoded;
    for (const QImage& image : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        if (image.width() > 256 || image.height() > 256 || !image.save(&buffer, "PNG")) {
            return false;
        }
        encoded.push_back(png);
    }
    QByteArray out;
    PutLittleEndian(out, 0, 2); // reserved
    PutLittleEndian(out, 1, 2); // an icon, not a cursor
    PutLittleEndian(out, static_cast<std::uint32_t>(sizes.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        PutLittleEndian(out, sizes[i].width() & 0xFF, 1); // 256 is written as 0
        PutLittleEndian(out, sizes[i].height() & 0xFF, 1);
        PutLittleEndian(out, 0, 2); // no palette
        PutLittleEndian(out, 1, 2); // planes
        PutLittleEndian(out, 32, 2); // bits per pixel
        PutLittleEndian(out, static_cast<std::uint32_t>(encoded[i].size()), 4);
        PutLittleEndian(out, offset, 4);
        offset += static_cast<std::uint32_t>(encoded[i].size());
    }
    for (const QByteArray& png : encoded) {
        out.append(png);
    }
    QFile output(file);
    return output.open(QIODevice::WriteOnly) && output.write(out) == out.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: tw_image_converter <out.bmp|out.ico> <image>...\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    std::vector<QImage> images;
    for (int i = 2; i < argc; ++i) {
        QImage image(QString::fromLocal8Bit(argv[i]));
        if (image.isNull()) {
            std::fprintf(stderr, "tw_image_converter: cannot read %s\n", argv[i]);
            return 1;
        }
        images.push_back(image);
    }
    const bool written = output.endsWith(".ico")
                             ? WriteIcon(output, images)
                             : images.size() == 1 && images[0].convertToFormat(QImage::Format_RGB888).save(output, "BMP");
    if (!written) {
        std::fprintf(stderr, "tw_image_converter: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
