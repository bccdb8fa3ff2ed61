#pragma once

#include "foundation/RunLoop.h"

#include <QImage>
#include <QWidget>
#include <vector>

namespace sweeplight::uikit {

// An image view that can play a sequence of frames. One cycle through all frames lasts
// `animationDuration` seconds (0: a thirtieth of a second per frame); the cycle repeats
// `animationRepeatCount` times, 0 meaning without end. Frames change on the given run loop.
// When not animating the view shows `image`. Images fill the view.
class AnimatedImageView final : public QWidget {
    Q_OBJECT
public:
    explicit AnimatedImageView(foundation::RunLoop& runLoop, QWidget* parent = nullptr);
    ~AnimatedImageView() override;

    const QImage& image() const { return image_; }
    void setImage(const QImage& image);

    const std::vector<QImage>& animationImages() const { return animationImages_; }
    // Stops a running animation.
    void setAnimationImages(std::vector<QImage> images);
    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds);
    int animationRepeatCount() const { return animationRepeatCount_; }
    void setAnimationRepeatCount(int count);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return timer_ != foundation::RunLoop::kNoTimer; }

    // The frame on screen while animating, else -1.
    int currentFrameIndex() const { return isAnimating() ? frameIndex_ : -1; }
    // What the view draws now.
    const QImage& displayedImage() const;

    // Seconds each frame stays on screen.
    double frameInterval() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advanceFrame();

    foundation::RunLoop& runLoop_;
    QImage image_;
    std::vector<QImage> animationImages_;
    double animationDuration_ { 0 };
    int animationRepeatCount_ { 0 };
    foundation::RunLoop::TimerId timer_ { foundation::RunLoop::kNoTimer };
    int frameIndex_ { 0 };
    int cyclesDone_ { 0 };
};

} // namespace sweeplight::uikit
