#include "PictureStrip.h"

#include <QImage>
#include <cstdio>
#include <new>

namespace sweeplight::display {

namespace {
void writeError(const char* message) {
    std::fputs(message, stderr);
    std::fflush(stderr);
}
} // namespace

bool PictureStrip::setImageRef(const QImage& image) {
    pixels.reset();
    imageWidth_ = 0;
    imageHeight_ = 0;
    imagePointer = 0;

    const int width = image.width();
    const int height = image.height();
    // A picture without pixels cannot be drawn into: the drawing surface would not exist.
    if (width <= 0 || height <= 0) {
        writeError(kContextError);
        return false;
    }
    const long long bytes = static_cast<long long>(width) * 4 * height;
    if (bytes > kMaximumBytes) {
        writeError(kMemoryError);
        return false;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[bytes]);
    if (!buffer) {
        writeError(kMemoryError);
        return false;
    }
    // Drawing the picture over a cleared surface leaves its premultiplied colours.
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.isNull()) {
        writeError(kContextError);
        return false;
    }

    imageHeight_ = height;
    imageWidth_ = width;
    imageMult_ = 32 / 8;
    for (int row = 0; row < height; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(row));
        std::uint8_t* out = buffer.get() + static_cast<long long>(row) * width * imageMult_;
        for (int column = 0; column < width; ++column) {
            const QRgb pixel = line[column];
            *out++ = static_cast<std::uint8_t>(qAlpha(pixel));
            *out++ = static_cast<std::uint8_t>(qRed(pixel));
            *out++ = static_cast<std::uint8_t>(qGreen(pixel));
            *out++ = static_cast<std::uint8_t>(qBlue(pixel));
        }
    }
    pixels = std::move(buffer);
    return true;
}

} // namespace sweeplight::display
