#pragma once

#include "foundation/RunLoop.h"

#include <QWidget>

namespace sweeplight::uikit {

enum class ActivityIndicatorViewStyle { WhiteLarge, White, Gray };

// The spinning wheel: twelve spokes whose brightness turns once a second. Turns on the given
// run loop; without one it shows a still wheel. Hidden while stopped when hidesWhenStopped.
class ActivityIndicatorView final : public QWidget {
    Q_OBJECT
public:
    ActivityIndicatorView(ActivityIndicatorViewStyle style, foundation::RunLoop* runLoop,
                          QWidget* parent = nullptr);
    ~ActivityIndicatorView() override;

    ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    // Which spoke is brightest, 0 to 11.
    int phase() const { return phase_; }

    static constexpr int kSpokes = 12;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ActivityIndicatorViewStyle style_;
    foundation::RunLoop* runLoop_;
    foundation::RunLoop::TimerId timer_ { foundation::RunLoop::kNoTimer };
    bool animating_ { false };
    bool hidesWhenStopped_ { true };
    int phase_ { 0 };
};

} // namespace sweeplight::uikit
