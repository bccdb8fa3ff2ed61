#include "TouchView.h"

#include <QEvent>
#include <QMouseEvent>

namespace sweeplight::app {

TouchView::TouchView(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_StyledBackground);
}

void TouchView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onTouched)
        onTouched();
}

bool TouchView::event(QEvent* event) {
    if (event->type() != QEvent::TouchBegin)
        return QWidget::event(event);
    event->accept();
    if (onTouched)
        onTouched();
    return true;
}

} // namespace sweeplight::app
