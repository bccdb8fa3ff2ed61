#include "WaveDisplay.h"

#include "GlyphFont.h"
#include "HSL2RGB.h"
#include "gles/GLESRenderer.h"

#include <algorithm>

namespace sweeplight::display {

namespace {

// Column mode: square 70-pixel LEDs, one per row, each covered by a black mask point 17.5
// pixels further right so that only a narrow bar of it stays lit.
constexpr float kLEDSize = 70;
constexpr float kLEDColumnV = 180;
constexpr float kMaskOffset = 17.5f;
constexpr float kLetterColumnSpacing = 64;
constexpr float kPictureColumnV = 160;
constexpr float kRainbowSaturation = 1.0f;
constexpr float kRainbowLightness = 0.55f;

float rowCentre(int row) {
    return kLEDSize * static_cast<float>(row) + kLEDSize / 2;
}

// The font is plain ASCII; every other character (and NUL, which would end the text early)
// becomes a byte that has no glyph, so it keeps its reserved width and stays dark.
char toFontByte(QChar character) {
    const char16_t code = character.unicode();
    return code > 0 && code < 0x80 ? static_cast<char>(code) : static_cast<char>(0xFF);
}

int stepClamped(int pointer, int length, bool forwards) {
    return forwards ? std::min(length - 1, pointer + 1) : std::max(0, pointer - 1);
}

} // namespace

std::unique_ptr<WaveDisplay> WaveDisplay::create() {
    std::unique_ptr<GLESRenderer> renderer = GLESRenderer::create();
    if (!renderer)
        return nullptr;
    return std::unique_ptr<WaveDisplay>(new WaveDisplay(std::move(renderer)));
}

WaveDisplay::WaveDisplay(std::unique_ptr<GLESRenderer> renderer)
    : renderer_(std::move(renderer))
    , presentedFrame_(kFramebufferWidth, kFramebufferHeight, QImage::Format_RGBA8888) {
    presentedFrame_.fill(Qt::black);
    tracker_.onShowWavePhone = [this] {
        if (onShowWavePhone)
            onShowWavePhone();
    };
    tracker_.onHideWavePhone = [this] {
        if (onHideWavePhone)
            onHideWavePhone();
    };
    tracker_.onTurn = [this](bool forwards) { turn(forwards); };
    setUIColor(QColor(Qt::red));
    setMessage(QString::fromLatin1(kCreationMessage));
    createFramebuffer();
}

WaveDisplay::~WaveDisplay() = default;

void WaveDisplay::setMessage(const QString& text) {
    currentMessage_ = text;
    wholeMessageLength_ = static_cast<int>(text.size());
    wholeMessagePointer_ = 0;
    skipCounter_ = 0;
    message8Bit_.resize(static_cast<std::size_t>(text.size()));
    std::transform(text.begin(), text.end(), message8Bit_.begin(), toFontByte);
    strip_.setupLetters(message8Bit_.c_str());
}

bool WaveDisplay::setImageRef(const QImage& image) {
    return picture_.setImageRef(image);
}

void WaveDisplay::setUIColor(const QColor& color) {
    if (!color.isValid())
        return;
    currentColor_ = color.toRgb();
    colorComponents_[0] = static_cast<float>(currentColor_.redF());
    colorComponents_[1] = static_cast<float>(currentColor_.greenF());
    colorComponents_[2] = static_cast<float>(currentColor_.blueF());
}

void WaveDisplay::didAccelerate(double x, double y, double z) {
    tracker_.didAccelerate(x, y, z);
}

void WaveDisplay::turn(bool forwards) {
    strip_.messagePointer = forwards ? 0 : strip_.messageLength() - 1;
    picture_.imagePointer = forwards ? 0 : picture_.imageWidth() - 1;
    wholeMessagePointer_ = forwards ? 0 : wholeMessageLength_ - 1;
    skipCounter_ = 0;
}

void WaveDisplay::setMessagePointer(int column) {
    strip_.messagePointer = std::clamp(column, 0, strip_.messageLength() - 1);
}

void WaveDisplay::setImagePointer(int column) {
    picture_.imagePointer = std::clamp(column, 0, std::max(0, picture_.imageWidth() - 1));
}

bool WaveDisplay::createFramebuffer() {
    const bool complete = renderer_->createFramebuffer(kFramebufferWidth, kFramebufferHeight);
    const QSize backing(renderer_->backingWidth(), renderer_->backingHeight());
    if (presentedFrame_.size() != backing && !backing.isEmpty()) {
        presentedFrame_ = QImage(backing, QImage::Format_RGBA8888);
        presentedFrame_.fill(Qt::black);
    }
    return complete;
}

void WaveDisplay::destroyFramebuffer() {
    renderer_->destroyFramebuffer();
}

int WaveDisplay::backingWidth() const {
    return renderer_->backingWidth();
}

int WaveDisplay::backingHeight() const {
    return renderer_->backingHeight();
}

std::string WaveDisplay::rendererDescription() const {
    return renderer_->description();
}

DrawnFrame WaveDisplay::drawView() {
    renderer_->beginFrame();
    const DrawnFrame frame = drawLEDs();
    // Presented in any case: that also ends the frame's hold on the GL context.
    const bool fits = presentedFrame_.width() == renderer_->backingWidth() &&
                      presentedFrame_.height() == renderer_->backingHeight();
    renderer_->present(fits ? presentedFrame_.bits() : nullptr, presentedFrame_.bytesPerLine());
    return frame;
}

DrawnFrame WaveDisplay::drawLEDs() {
    renderer_->beginLEDs();
    if (inImageMode_)
        return drawColumnImage();
    if (drawWholeLetterMode_)
        return drawWholeLetters();
    return drawColumnLetters();
}

void WaveDisplay::ledColor(float hue, float rgb[3]) const {
    if (rainbowMode_) {
        HSL2RGB(hue, kRainbowSaturation, kRainbowLightness, &rgb[0], &rgb[1], &rgb[2]);
        return;
    }
    std::copy(colorComponents_, colorComponents_ + 3, rgb);
}

DrawnFrame WaveDisplay::drawColumnLetters() {
    const int pointer = strip_.messagePointer;
    const int length = strip_.messageLength();
    renderer_->beginPoints(kLEDSize);
    float rgb[3];
    ledColor(static_cast<float>(pointer) / static_cast<float>(length), rgb);
    const std::uint8_t* column = strip_.column(pointer);
    for (int row = 0; row < letterHeight; ++row) {
        if (column[row] == 0)
            continue;
        const float u = rowCentre(row);
        renderer_->drawPoint(u, kLEDColumnV, rgb[0], rgb[1], rgb[2], 1);
        renderer_->drawPoint(u, kLEDColumnV + kMaskOffset, 0, 0, 0, 1);
    }
    const bool forwards = isGoingForwards();
    strip_.messagePointer = stepClamped(pointer, length, forwards);
    return { DrawnFrame::Content::Column, forwards, pointer };
}

DrawnFrame WaveDisplay::drawWholeLetters() {
    const bool forwards = isGoingForwards();
    if (skipCounter_ != 0) {
        ++skipCounter_;
        if (skipCounter_ > 0)
            skipCounter_ = 0;
        return { DrawnFrame::Content::Black, forwards, -1 };
    }
    skipCounter_ = 1;
    const int pointer = wholeMessagePointer_;
    // An empty message has no character to show, whatever the cursor says: a black frame.
    if (pointer < 0 || pointer >= wholeMessageLength_)
        return { DrawnFrame::Content::Black, forwards, -1 };
    drawCharInCenter(static_cast<signed char>(message8Bit_[static_cast<std::size_t>(pointer)]));
    wholeMessagePointer_ = stepClamped(pointer, wholeMessageLength_, forwards);
    return { DrawnFrame::Content::Letter, forwards, pointer };
}

void WaveDisplay::drawCharInCenter(signed char c) {
    float rgb[3];
    ledColor(static_cast<float>(wholeMessagePointer_) / static_cast<float>(wholeMessageLength_),
             rgb);
    renderer_->beginPoints(kLEDSize);
    const std::uint8_t* glyph = getPointerForChar(c);
    if (!glyph)
        return;
    const int width = getCharSize(c);
    for (int i = 0; i < width; ++i) {
        for (int j = 0; j < letterHeight; ++j) {
            if (glyph[j * width + i] == 0)
                continue;
            const float u = rowCentre(j);
            const float v = kLetterColumnSpacing * static_cast<float>(i) + kLEDSize / 2;
            renderer_->drawPoint(u, v, rgb[0], rgb[1], rgb[2], 1);
            renderer_->drawPoint(u, v + kMaskOffset, 0, 0, 0, 1);
        }
    }
}

DrawnFrame WaveDisplay::drawColumnImage() {
    const bool forwards = isGoingForwards();
    if (!picture_.hasPicture())
        return { DrawnFrame::Content::Black, forwards, -1 };
    const int width = picture_.imageWidth();
    int& pointer = picture_.imagePointer;
    if (inRepeatMode_) {
        if (pointer == width)
            pointer = 0;
        if (pointer == -1)
            pointer = width - 1;
    }
    // Repeat switched off in mid-swing can leave the cursor just past either end; it must not
    // read outside the picture.
    pointer = std::clamp(pointer, 0, width - 1);

    const int height = picture_.imageHeight();
    const float size = 480.0f / static_cast<float>(height);
    renderer_->beginPoints(size);
    const int column = pointer;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* pixel = picture_.pixel(row, column);
        // Bytes A, R, G, B; the alpha is ignored, so a transparent pixel draws black.
        renderer_->drawPoint(size / 2 + static_cast<float>(row) * size, kPictureColumnV,
                             pixel[1] / 255.0f, pixel[2] / 255.0f, pixel[3] / 255.0f, 1);
    }
    if (inRepeatMode_)
        pointer = forwards ? pointer + 1 : pointer - 1;
    else
        pointer = stepClamped(pointer, width, forwards);
    return { DrawnFrame::Content::Picture, forwards, column };
}

} // namespace sweeplight::display
