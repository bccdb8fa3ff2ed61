#include "AnimatedImageView.h"

#include <QPainter>

namespace sweeplight::uikit {

namespace {
constexpr double kDefaultFrameInterval = 1.0 / 30.0;
}

AnimatedImageView::AnimatedImageView(foundation::RunLoop& runLoop, QWidget* parent)
    : QWidget(parent)
    , runLoop_(runLoop) {}

AnimatedImageView::~AnimatedImageView() {
    stopAnimating();
}

void AnimatedImageView::setImage(const QImage& image) {
    image_ = image;
    update();
}

void AnimatedImageView::setAnimationImages(std::vector<QImage> images) {
    stopAnimating();
    animationImages_ = std::move(images);
}

void AnimatedImageView::setAnimationDuration(double seconds) {
    animationDuration_ = seconds > 0 ? seconds : 0;
}

void AnimatedImageView::setAnimationRepeatCount(int count) {
    animationRepeatCount_ = count > 0 ? count : 0;
}

double AnimatedImageView::frameInterval() const {
    if (animationImages_.empty() || animationDuration_ <= 0)
        return kDefaultFrameInterval;
    return animationDuration_ / static_cast<double>(animationImages_.size());
}

void AnimatedImageView::startAnimating() {
    if (isAnimating() || animationImages_.empty())
        return;
    frameIndex_ = 0;
    cyclesDone_ = 0;
    timer_ = runLoop_.scheduleRepeating(frameInterval(), [this] { advanceFrame(); });
    update();
}

void AnimatedImageView::stopAnimating() {
    if (!isAnimating())
        return;
    runLoop_.cancel(timer_);
    timer_ = foundation::RunLoop::kNoTimer;
    update();
}

void AnimatedImageView::advanceFrame() {
    const int frames = static_cast<int>(animationImages_.size());
    if (++frameIndex_ < frames) {
        update();
        return;
    }
    ++cyclesDone_;
    if (animationRepeatCount_ > 0 && cyclesDone_ >= animationRepeatCount_) {
        stopAnimating();
        return;
    }
    frameIndex_ = 0;
    update();
}

const QImage& AnimatedImageView::displayedImage() const {
    if (isAnimating())
        return animationImages_[static_cast<std::size_t>(frameIndex_)];
    return image_;
}

void AnimatedImageView::paintEvent(QPaintEvent*) {
    const QImage& shown = displayedImage();
    if (shown.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), shown);
}

} // namespace sweeplight::uikit
