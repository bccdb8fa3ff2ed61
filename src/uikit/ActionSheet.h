#pragma once

#include "uikit/ButtonPanel.h"

#include <QString>
#include <QStringList>

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

    int addButtonWithTitle(const QString& title) { return panel_.addButtonWithTitle(title); }
    int numberOfButtons() const { return panel_.numberOfButtons(); }
    // Empty for an index out of range.
    QString buttonTitleAtIndex(int buttonIndex) const {
        return panel_.buttonTitleAtIndex(buttonIndex);
    }
    // -1 when there is none.
    int destructiveButtonIndex() const { return destructiveButtonIndex_; }
    void setDestructiveButtonIndex(int buttonIndex);
    // The button Esc picks; -1 when there is none.
    int cancelButtonIndex() const { return cancelButtonIndex_; }
    void setCancelButtonIndex(int buttonIndex) { cancelButtonIndex_ = buttonIndex; }

    ActionSheetStyle actionSheetStyle() const { return actionSheetStyle_; }
    void setActionSheetStyle(ActionSheetStyle style);

    // Shows the sheet along the bottom of `view`, above everything in it; returns at once.
    void showInView(QWidget* view);
    bool isVisible() const { return panel_.isVisible(); }
    // Removes the sheet and tells the delegate that `buttonIndex` was picked.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    QWidget* view() const { return panel_.view(); }
    QAbstractButton* buttonAtIndex(int buttonIndex) const {
        return panel_.buttonAtIndex(buttonIndex);
    }

private:
    void buildView(QWidget* parent);
    void buttonClicked(int buttonIndex);

    QString title_;
    ActionSheetDelegate* delegate_ { nullptr };
    int destructiveButtonIndex_ { -1 };
    int cancelButtonIndex_ { -1 };
    ActionSheetStyle actionSheetStyle_ { ActionSheetStyle::Default };
    // Last, so that the widget goes before the rest of the sheet.
    ButtonPanel panel_;
};

} // namespace sweeplight::uikit
