#pragma once

#include <QWidget>
#include <functional>

namespace sweeplight::app {

// A plain view that reports a touch (a press of the mouse or a finger) and swallows it, so
// nothing underneath reacts: the editor's covering layer.
class TouchView final : public QWidget {
    Q_OBJECT
public:
    explicit TouchView(QWidget* parent = nullptr);

    std::function<void()> onTouched;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
};

} // namespace sweeplight::app
