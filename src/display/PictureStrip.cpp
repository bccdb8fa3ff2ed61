#include "PictureStrip.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace sweeplight::display {

namespace {
void writeError(const char* message) {
    std::fputs(message, stderr);
    std::fflush(stderr);
}
// The rows of `image` that the column can show, in the image's own format: each screen row
// shows the last picture row drawn on it. Converting only those keeps a tall picture from being
// converted whole first.
QImage shownRows(const QImage& image) {
    const int height = image.height();
    QImage rows(image.width(), PictureStrip::kColumnPixels, image.format());
    if (rows.isNull())
        return rows;
    rows.setColorTable(image.colorTable());
    std::vector<int> shown(PictureStrip::kColumnPixels, -1);
    for (int row = 0; row < height; ++row)
        shown[static_cast<std::size_t>(PictureStrip::screenRow(row, height))] = row;
    const auto lineBytes =
        static_cast<std::size_t>(std::min(rows.bytesPerLine(), image.bytesPerLine()));
    for (int screenRow = 0; screenRow < PictureStrip::kColumnPixels; ++screenRow) {
        // A picture row every pixel or closer leaves no screen row without one; were one left,
        // it would stay black.
        const int row = shown[static_cast<std::size_t>(screenRow)];
        if (row < 0)
            std::memset(rows.scanLine(screenRow), 0, lineBytes);
        else
            std::memcpy(rows.scanLine(screenRow), image.constScanLine(row), lineBytes);
    }
    return rows;
}

} // namespace

int PictureStrip::screenRow(int row, int height) {
    // The LED of picture row k is centred (k + 1/2) x 480 / height pixels below the top edge,
    // computed in floats as the frame computes it. The rasteriser puts a one-pixel point on the
    // pixel its centre falls in, with positions snapped to 1/256 pixel, and a centre exactly on
    // a pixel edge going to the pixel above.
    const float size = static_cast<float>(kColumnPixels) / static_cast<float>(height);
    const float centre = size / 2 + static_cast<float>(row) * size;
    const double snapped = std::round(static_cast<double>(centre) * 256.0) / 256.0;
    return std::clamp(static_cast<int>(std::ceil(snapped)) - 1, 0, kColumnPixels - 1);
}

bool PictureStrip::setImageRef(const QImage& image) {
    pixels.reset();
    imageWidth_ = 0;
    imageHeight_ = 0;
    sourceHeight_ = 0;
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
    const int heldRows = std::min(height, kColumnPixels);
    const long long heldBytes = static_cast<long long>(width) * 4 * heldRows;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[heldBytes]);
    if (!buffer) {
        writeError(kMemoryError);
        return false;
    }
    // Drawing the picture over a cleared surface leaves its premultiplied colours.
    const QImage source = (height > kColumnPixels ? shownRows(image) : image)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.isNull()) {
        writeError(kContextError);
        return false;
    }

    imageHeight_ = heldRows;
    sourceHeight_ = height;
    imageWidth_ = width;
    imageMult_ = 32 / 8;
    for (int row = 0; row < heldRows; ++row) {
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
