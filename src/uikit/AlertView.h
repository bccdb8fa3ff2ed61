#pragma once

#include "uikit/ButtonPanel.h"

#include <QString>
#include <QStringList>

class QAbstractButton;

namespace sweeplight::uikit {

class AlertView;

// What an alert tells its delegate, in this order, when the user picks a button.
class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    // alertView:clickedButtonAtIndex: -- the alert is still on screen.
    virtual void alertView(AlertView& alertView, int buttonIndex);
    // modalView:didDismissWithButtonIndex: -- the alert has gone.
    virtual void modalView(AlertView& alertView, int buttonIndex);
};

// An alert with a title, a message and buttons counted from 0 in the order they were added (the
// cancel button of the constructor first). Showing never blocks: the answer comes later through
// the delegate, which is not owned and may be absent. The owner of the alert may destroy it from
// inside a delegate call.
class AlertView final {
public:
    AlertView(const QString& title, const QString& message, AlertViewDelegate* delegate = nullptr,
              const QString& cancelButtonTitle = {}, const QStringList& otherButtonTitles = {});
    ~AlertView();

    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;

    const QString& title() const { return title_; }
    const QString& message() const { return message_; }
    AlertViewDelegate* delegate() const { return delegate_; }
    void setDelegate(AlertViewDelegate* delegate) { delegate_ = delegate; }

    // Returns the new button's index.
    int addButtonWithTitle(const QString& title) { return panel_.addButtonWithTitle(title); }
    int numberOfButtons() const { return panel_.numberOfButtons(); }
    // Empty for an index out of range.
    QString buttonTitleAtIndex(int buttonIndex) const {
        return panel_.buttonTitleAtIndex(buttonIndex);
    }
    // -1 when there is no cancel button.
    int cancelButtonIndex() const { return cancelButtonIndex_; }

    // Shows the alert over `inView` (covering it with a dim backdrop), or as a window of its own
    // when there is none, and returns at once.
    void show(QWidget* inView = nullptr);
    bool isVisible() const { return panel_.isVisible(); }
    // Removes the alert as if the button had been picked, telling the delegate only that it was
    // dismissed (modalView), not that a button was clicked.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    // The alert's widget and its buttons, for layout and for tests that press them.
    QWidget* view() const { return panel_.view(); }
    QAbstractButton* buttonAtIndex(int buttonIndex) const {
        return panel_.buttonAtIndex(buttonIndex);
    }

private:
    void buttonClicked(int buttonIndex);
    void buildView();

    QString title_;
    QString message_;
    AlertViewDelegate* delegate_ { nullptr };
    int cancelButtonIndex_ { -1 };
    // Last, so that the widget goes before the rest of the alert.
    ButtonPanel panel_;
};

} // namespace sweeplight::uikit
