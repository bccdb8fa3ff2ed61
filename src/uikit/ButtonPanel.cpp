#include "ButtonPanel.h"

#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace sweeplight::uikit {

namespace {

// Passes the key presses that reach the panel's widget to the panel. A plain QObject, parented
// to the widget, so it goes with it.
class PanelKeys final : public QObject {
public:
    PanelKeys(QObject* parent, std::function<void(int)> handle)
        : QObject(parent)
        , handle_(std::move(handle)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            // Esc and Enter belong to the panel while it is up, not to shortcuts behind it.
            const bool ours = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                              key->key() == Qt::Key_Enter;
            if (ours)
                event->accept();
            return false;
        }
        handle_(key->key());
        return true;
    }

private:
    std::function<void(int)> handle_;
};

} // namespace

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
    returnKeyboard();
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
    view_->installEventFilter(new PanelKeys(view_, [this](int key) { handleKey(key); }));
    return view_;
}

QPushButton* ButtonPanel::createButton(int buttonIndex) {
    auto* button = new QPushButton(buttonTitleAtIndex(buttonIndex));
    // Reached by the keyboard only: a tap must not leave a focus frame behind.
    button->setFocusPolicy(Qt::TabFocus);
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this, buttonIndex] { onClicked_(buttonIndex); });
    buttonWidgets_.push_back(button);
    return button;
}

void ButtonPanel::show(int escapeButtonIndex) {
    if (!view_)
        return;
    escapeButtonIndex_ = escapeButtonIndex;
    QWidget* focused = view_->window()->focusWidget();
    if (focused != view_ && !view_->isAncestorOf(focused))
        focusBefore_ = focused;
    view_->show();
    view_->raise();
    if (!buttonWidgets_.empty())
        buttonWidgets_.front()->setFocus(Qt::OtherFocusReason);
    else
        view_->setFocus(Qt::OtherFocusReason);
}

void ButtonPanel::handleKey(int key) {
    const auto focused = std::find(buttonWidgets_.begin(), buttonWidgets_.end(),
                                   view_ ? view_->focusWidget() : nullptr);
    const int count = static_cast<int>(buttonWidgets_.size());
    const int index =
        focused == buttonWidgets_.end() ? -1 : static_cast<int>(focused - buttonWidgets_.begin());
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (count > 0) {
            const int step = key == Qt::Key_Up || key == Qt::Key_Left ? count - 1 : 1;
            buttonWidgets_[static_cast<std::size_t>((std::max(index, 0) + step) % count)]->setFocus(
                Qt::TabFocusReason);
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (index >= 0)
            buttonWidgets_[static_cast<std::size_t>(index)]->click();
        break;
    case Qt::Key_Escape:
        if (QAbstractButton* escape = buttonAtIndex(escapeButtonIndex_))
            escape->click();
        break;
    default:
        break;
    }
}

void ButtonPanel::hide() {
    if (!view_)
        return;
    returnKeyboard();
    view_->hide();
}

void ButtonPanel::returnKeyboard() {
    QWidget* focused = view_->window()->focusWidget();
    if (!focused || !(focused == view_ || view_->isAncestorOf(focused)))
        return;
    if (focusBefore_ && focusBefore_->isVisible())
        focusBefore_->setFocus(Qt::OtherFocusReason);
    else
        focused->clearFocus();
    focusBefore_ = nullptr;
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
