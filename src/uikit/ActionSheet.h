#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QAbstractButton;

namespace sweeplight::uikit {

class ActionSheet;

class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    // actionSheet:clickedButtonAtIndex: -- the sheet has already gone from the screen, so the
    // delegate may show something else or destroy the sheet. Look the choice up by title with
    // buttonTitleAtIndex().
    virtual void actionSheet(ActionSheet& actionSheet, int buttonIndex) = 0;
};

enum class ActionSheetStyle { Default, BlackTranslucent, BlackOpaque };

// A menu of buttons that slides up over a view. Buttons are counted from 0: the destructive
// button of the constructor first, then the other buttons, then the cancel button. The
// destructive button is drawn in the warning style (white on red). Showing never blocks.
class ActionSheet final {
public:
    explicit ActionSheet(const QString& title, ActionSheetDelegate* delegate = nullptr,
                         const QString& cancelButtonTitle = {},
                         const QString& destructiveButtonTitle = {},
                         const QStringList& otherButtonTitles = {});
    ~ActionSheet();

    ActionSheet(const ActionSheet&) = delete;
    ActionSheet& operator=(const ActionSheet&) = delete;

    const QString& title() const { return title_; }
    ActionSheetDelegate* delegate() const { return delegate_; }
    void setDelegate(ActionSheetDelegate* delegate) { delegate_ = delegate; }

    int addButtonWithTitle(const QString& title);
    int numberOfButtons() const { return static_cast<int>(buttonTitles_.size()); }
    // Empty for an index out of range.
    QString buttonTitleAtIndex(int buttonIndex) const;
    // -1 when there is none.
    int destructiveButtonIndex() const { return destructiveButtonIndex_; }
    void setDestructiveButtonIndex(int buttonIndex);
    int cancelButtonIndex() const { return cancelButtonIndex_; }

    ActionSheetStyle actionSheetStyle() const { return actionSheetStyle_; }
    void setActionSheetStyle(ActionSheetStyle style);

    // Shows the sheet along the bottom of `view`, above everything in it; returns at once.
    void showInView(QWidget* view);
    bool isVisible() const;
    // Removes the sheet and tells the delegate that `buttonIndex` was picked.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    QWidget* view() const;
    QAbstractButton* buttonAtIndex(int buttonIndex) const;

private:
    void buildView(QWidget* parent);
    void discardView();
    void buttonClicked(int buttonIndex);

    QString title_;
    ActionSheetDelegate* delegate_ { nullptr };
    std::vector<QString> buttonTitles_;
    int destructiveButtonIndex_ { -1 };
    int cancelButtonIndex_ { -1 };
    ActionSheetStyle actionSheetStyle_ { ActionSheetStyle::Default };
    // Owned, unless the view it is shown in is destroyed first (Qt then deletes it too).
    QPointer<QWidget> view_;
    std::vector<QAbstractButton*> buttonWidgets_;
    bool dispatching_ { false };
    std::shared_ptr<bool> alive_;
};

} // namespace sweeplight::uikit
