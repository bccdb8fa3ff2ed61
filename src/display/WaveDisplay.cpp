#include "WaveDisplay.h"

#include "GlyphFont.h"
#include "HSL2RGB.h"
#include "SteadyPlacement.h"
#include "gles/GLESRenderer.h"

#include <algorithm>
#include <cstring>

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
    swingModel_.addSample(now(), x);
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
        presentedArea_ = {};
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

void WaveDisplay::setSoftwareFrames(bool on) {
    renderer_->setSoftwareFrames(on);
}

bool WaveDisplay::softwareFrames() const {
    return renderer_->softwareFrames();
}

std::string WaveDisplay::rendererDescription() const {
    return renderer_->description();
}

DrawnFrame WaveDisplay::drawView() {
    const DrawnFrame frame = drawFrame();
    if (presentedFrame_.width() != renderer_->backingWidth() ||
        presentedFrame_.height() != renderer_->backingHeight())
        return frame;
    // Only what this frame lit and what the previous one lit can differ from black: that part
    // is read back, and copied top row first, which also blacks out the previous frame's light.
    const QRect drawn = drawnArea();
    const QRect area = drawn.united(presentedArea_);
    presentedArea_ = drawn;
    const std::uint8_t* pixels = readFrame(area);
    if (!pixels)
        return frame;
    const long rowBytes = static_cast<long>(area.width()) * 4;
    for (int row = 0; row < area.height(); ++row)
        std::memcpy(presentedFrame_.scanLine(area.bottom() - row) + area.left() * 4,
                    pixels + row * rowBytes, static_cast<std::size_t>(rowBytes));
    return frame;
}

DrawnFrame WaveDisplay::drawFrame() {
    renderer_->beginFrame();
    const DrawnFrame frame = drawLEDs(renderer_.get());
    renderer_->present();
    return frame;
}

DrawnFrame WaveDisplay::skipFrame() {
    return drawLEDs(nullptr);
}

QRect WaveDisplay::drawnArea() const {
    const ScreenArea& area = renderer_->drawnArea();
    if (area.isEmpty())
        return {};
    return QRect(area.left, area.top, area.width(), area.height());
}

const std::uint8_t* WaveDisplay::readFrame(const QRect& area) {
    if (area.isEmpty())
        return nullptr;
    return renderer_->readPixels(
        ScreenArea { area.left(), area.top(), area.right() + 1, area.bottom() + 1 });
}

DrawnFrame WaveDisplay::drawLEDs(GLESRenderer* gl) {
    if (gl)
        gl->beginLEDs();
    if (steadyLetters_ && (inImageMode_ || !drawWholeLetterMode_))
        return drawSteadyFrame(gl);
    if (inImageMode_)
        return drawColumnImage(gl);
    if (drawWholeLetterMode_)
        return drawWholeLetters(gl);
    return drawColumnLetters(gl);
}

void WaveDisplay::ledColor(float hue, float rgb[3]) const {
    if (rainbowMode_) {
        HSL2RGB(hue, kRainbowSaturation, kRainbowLightness, &rgb[0], &rgb[1], &rgb[2]);
        return;
    }
    std::copy(colorComponents_, colorComponents_ + 3, rgb);
}

DrawnFrame WaveDisplay::drawColumnLetters(GLESRenderer* gl) {
    const int pointer = strip_.messagePointer;
    const int length = strip_.messageLength();
    if (gl)
        drawStripColumn(*gl, pointer);
    const bool forwards = isGoingForwards();
    strip_.messagePointer = stepClamped(pointer, length, forwards);
    return { DrawnFrame::Content::Column, forwards, pointer };
}

DrawnFrame WaveDisplay::drawWholeLetters(GLESRenderer* gl) {
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
    if (gl)
        drawCharInCenter(*gl,
                         static_cast<signed char>(message8Bit_[static_cast<std::size_t>(pointer)]));
    wholeMessagePointer_ = stepClamped(pointer, wholeMessageLength_, forwards);
    return { DrawnFrame::Content::Letter, forwards, pointer };
}

void WaveDisplay::drawStripColumn(GLESRenderer& gl, int pointer) {
    const int length = strip_.messageLength();
    gl.beginPoints(kLEDSize);
    float rgb[3];
    ledColor(static_cast<float>(pointer) / static_cast<float>(length), rgb);
    const std::uint8_t* column = strip_.column(pointer);
    for (int row = 0; row < letterHeight; ++row) {
        if (column[row] == 0)
            continue;
        const float u = rowCentre(row);
        gl.drawPoint(u, kLEDColumnV, rgb[0], rgb[1], rgb[2], 1);
        gl.drawPoint(u, kLEDColumnV + kMaskOffset, 0, 0, 0, 1);
    }
}

DrawnFrame WaveDisplay::drawSteadyFrame(GLESRenderer* gl) {
    const double time = now();
    const double sinceLast = time - lastFrameTime_;
    // Frames come at the timer's pace; a long pause (stopped timer) says nothing about it.
    if (lastFrameTime_ >= 0 && sinceLast > 0 && sinceLast < 0.25)
        frameInterval_ = frameInterval_ > 0 ? 0.8 * frameInterval_ + 0.2 * sinceLast : sinceLast;
    lastFrameTime_ = time;

    const std::optional<SwingModel::State> state = swingModel_.stateAt(time);
    if (state)
        steadyForwards_ = state->forwards;
    const int length = inImageMode_ ? picture_.imageWidth() : strip_.messageLength();
    const int column =
        state && frameInterval_ > 0 && length > 0
            ? steadyPlacement_.follow(*state, frameInterval_, length, inImageMode_ && inRepeatMode_)
            : -1;
    if (column < 0)
        return { DrawnFrame::Content::Black, steadyForwards_, -1 };
    if (inImageMode_) {
        if (gl)
            drawPictureColumn(*gl, column);
        return { DrawnFrame::Content::Picture, steadyForwards_, column };
    }
    if (gl)
        drawStripColumn(*gl, column);
    return { DrawnFrame::Content::Column, steadyForwards_, column };
}

void WaveDisplay::drawCharInCenter(GLESRenderer& gl, signed char c) {
    float rgb[3];
    ledColor(static_cast<float>(wholeMessagePointer_) / static_cast<float>(wholeMessageLength_),
             rgb);
    gl.beginPoints(kLEDSize);
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
            gl.drawPoint(u, v, rgb[0], rgb[1], rgb[2], 1);
            gl.drawPoint(u, v + kMaskOffset, 0, 0, 0, 1);
        }
    }
}

DrawnFrame WaveDisplay::drawColumnImage(GLESRenderer* gl) {
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

    const int column = pointer;
    if (gl)
        drawPictureColumn(*gl, column);
    if (inRepeatMode_)
        pointer = forwards ? pointer + 1 : pointer - 1;
    else
        pointer = stepClamped(pointer, width, forwards);
    return { DrawnFrame::Content::Picture, forwards, column };
}

void WaveDisplay::drawPictureColumn(GLESRenderer& gl, int column) {
    const int height = picture_.imageHeight();
    const float size = 480.0f / static_cast<float>(height);
    gl.beginPoints(size);
    float* vertex = pictureVertices_.data();
    std::uint8_t* color = pictureColors_.data();
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* pixel = picture_.pixel(row, column);
        *vertex++ = size / 2 + static_cast<float>(row) * size;
        *vertex++ = kPictureColumnV;
        // Bytes A, R, G, B; the alpha is ignored, so a transparent pixel draws black.
        *color++ = pixel[1];
        *color++ = pixel[2];
        *color++ = pixel[3];
        *color++ = 255;
    }
    gl.drawPoints(pictureVertices_.data(), pictureColors_.data(), height);
}

} // namespace sweeplight::display
