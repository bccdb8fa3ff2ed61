#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

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
    int addButtonWithTitle(const QString& title);
    int numberOfButtons() const { return static_cast<int>(buttonTitles_.size()); }
    // Empty for an index out of range.
    QString buttonTitleAtIndex(int buttonIndex) const;
    // -1 when there is no cancel button.
    int cancelButtonIndex() const { return cancelButtonIndex_; }

    // Shows the alert over `inView` (covering it with a dim backdrop), or as a window of its own
    // when there is none, and returns at once.
    void show(QWidget* inView = nullptr);
    bool isVisible() const;
    // Removes the alert as if the button had been picked, telling the delegate only that it was
    // dismissed (modalView), not that a button was clicked.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    // The alert's widget and its buttons, for layout and for tests that press them.
    QWidget* view() const;
    QAbstractButton* buttonAtIndex(int buttonIndex) const;

private:
    void buttonClicked(int buttonIndex);
    void buildView();
    void discardView();

    QString title_;
    QString message_;
    AlertViewDelegate* delegate_ { nullptr };
    std::vector<QString> buttonTitles_;
    int cancelButtonIndex_ { -1 };
    // Owned, unless shown over a view that is destroyed first (Qt then deletes it with its
    // parent, and the pointer turns null).
    QPointer<QWidget> view_;
    std::vector<QAbstractButton*> buttonWidgets_;
    bool dispatching_ { false };
    std::shared_ptr<bool> alive_;
};

} // namespace sweeplight::uikit
