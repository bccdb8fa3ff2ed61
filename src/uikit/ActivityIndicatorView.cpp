#include "ActivityIndicatorView.h"

#include <QPainter>
#include <QtMath>

namespace sweeplight::uikit {

namespace {
constexpr double kTurnSeconds = 1.0;

int sideFor(ActivityIndicatorViewStyle style) {
    return style == ActivityIndicatorViewStyle::WhiteLarge ? 37 : 20;
}
} // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style,
                                             foundation::RunLoop* runLoop, QWidget* parent)
    : QWidget(parent)
    , style_(style)
    , runLoop_(runLoop) {
    resize(sideFor(style), sideFor(style));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setVisible(!hidesWhenStopped_);
}

ActivityIndicatorView::~ActivityIndicatorView() {
    if (runLoop_ && timer_ != foundation::RunLoop::kNoTimer)
        runLoop_->cancel(timer_);
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_)
        setVisible(!hides);
}

void ActivityIndicatorView::startAnimating() {
    if (animating_)
        return;
    animating_ = true;
    show();
    if (runLoop_) {
        timer_ = runLoop_->scheduleRepeating(kTurnSeconds / kSpokes, [this] {
            phase_ = (phase_ + 1) % kSpokes;
            update();
        });
    }
}

void ActivityIndicatorView::stopAnimating() {
    if (!animating_)
        return;
    animating_ = false;
    if (runLoop_ && timer_ != foundation::RunLoop::kNoTimer)
        runLoop_->cancel(timer_);
    timer_ = foundation::RunLoop::kNoTimer;
    if (hidesWhenStopped_)
        hide();
}

void ActivityIndicatorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base =
        style_ == ActivityIndicatorViewStyle::Gray ? QColor(110, 110, 110) : QColor(Qt::white);
    const double side = std::min(width(), height());
    const double outer = side / 2.0;
    const double inner = outer * 0.45;
    QPen pen;
    pen.setWidthF(std::max(1.5, side / 10.0));
    pen.setCapStyle(Qt::RoundCap);
    painter.translate(width() / 2.0, height() / 2.0);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        // The brightest spoke is the phase; the ones behind it fade out.
        const int behind = (phase_ - spoke + kSpokes) % kSpokes;
        QColor colour = base;
        colour.setAlphaF(1.0f - 0.75f * static_cast<float>(behind) / kSpokes);
        pen.setColor(colour);
        painter.setPen(pen);
        const double angle = spoke * 2.0 * M_PI / kSpokes - M_PI / 2.0;
        painter.drawLine(QPointF(std::cos(angle) * inner, std::sin(angle) * inner),
                         QPointF(std::cos(angle) * (outer - pen.widthF()),
                                 std::sin(angle) * (outer - pen.widthF())));
    }
}

} // namespace sweeplight::uikit
