#include "PhoneScreen.h"

#include <QChildEvent>

namespace sweeplight::app {

PhoneScreen::PhoneScreen(QWidget* parent)
    : QWidget(parent) {
    setObjectName("PhoneScreen");
    setMinimumSize(kWidth, kHeight);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("#PhoneScreen { background: black; }");
}

void PhoneScreen::setDisplayView(QWidget* view) {
    displayView_ = view;
    layOut();
}

QRect PhoneScreen::pageRect() const {
    return QRect((width() - kWidth) / 2, (height() - kHeight) / 2, kWidth, kHeight);
}

void PhoneScreen::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PhoneScreen::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildPolished)
        layOut();
}

void PhoneScreen::layOut() {
    if (displayView_)
        displayView_->setGeometry(rect());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != displayView_ && child->size() == QSize(kWidth, kHeight))
            child->move(pageRect().topLeft());
    }
}

} // namespace sweeplight::app
