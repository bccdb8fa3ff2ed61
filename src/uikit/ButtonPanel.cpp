#include "ButtonPanel.h"

#include <QPushButton>
#include <utility>

namespace sweeplight::uikit {

ButtonPanel::ButtonPanel(std::function<void(int)> onClicked)
    : onClicked_(std::move(onClicked))
    , alive_(std::make_shared<bool>(true)) {}

ButtonPanel::~ButtonPanel() {
    *alive_ = false;
    discardView();
}

int ButtonPanel::addButtonWithTitle(const QString& title) {
    buttonTitles_.push_back(title);
    return numberOfButtons() - 1;
}

QString ButtonPanel::buttonTitleAtIndex(int buttonIndex) const {
    if (buttonIndex < 0 || buttonIndex >= numberOfButtons())
        return {};
    return buttonTitles_[static_cast<std::size_t>(buttonIndex)];
}

void ButtonPanel::discardView() {
    // The widgets may already be gone with a destroyed parent; their pointers go either way.
    buttonWidgets_.clear();
    if (!view_)
        return;
    // Inside one of its own buttons' clicks the widget must outlive the click: Qt deletes it
    // once the click is over.
    view_->hide();
    if (dispatching_)
        view_->deleteLater();
    else
        delete view_;
    view_ = nullptr;
}

QWidget* ButtonPanel::createView(QWidget* parent) {
    discardView();
    view_ = new QWidget(parent);
    return view_;
}

QPushButton* ButtonPanel::createButton(int buttonIndex) {
    auto* button = new QPushButton(buttonTitleAtIndex(buttonIndex));
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this, buttonIndex] { onClicked_(buttonIndex); });
    buttonWidgets_.push_back(button);
    return button;
}

void ButtonPanel::show() {
    if (!view_)
        return;
    view_->show();
    view_->raise();
}

void ButtonPanel::hide() {
    if (view_)
        view_->hide();
}

bool ButtonPanel::isVisible() const {
    return view_ && view_->isVisible();
}

QAbstractButton* ButtonPanel::buttonAtIndex(int buttonIndex) const {
    if (!view_ || buttonIndex < 0 || buttonIndex >= static_cast<int>(buttonWidgets_.size()))
        return nullptr;
    return buttonWidgets_[static_cast<std::size_t>(buttonIndex)];
}

ButtonPanel::Dispatch::Dispatch(ButtonPanel& panel)
    : panel_(panel)
    , alive_(panel.alive_) {
    panel_.dispatching_ = true;
}

ButtonPanel::Dispatch::~Dispatch() {
    if (*alive_)
        panel_.dispatching_ = false;
}

} // namespace sweeplight::uikit
