#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QPushButton;

namespace sweeplight::uikit {

// The part that alerts and action sheets have in common: the button titles, the widget shown on
// screen with its buttons, and the dispatch of a click to a delegate that may destroy the owner
// (and with it this panel) while the click is still running.
class ButtonPanel final {
public:
    // `onClicked` receives the index of each button pressed on screen.
    explicit ButtonPanel(std::function<void(int buttonIndex)> onClicked);
    ~ButtonPanel();

    ButtonPanel(const ButtonPanel&) = delete;
    ButtonPanel& operator=(const ButtonPanel&) = delete;

    int addButtonWithTitle(const QString& title);
    int numberOfButtons() const { return static_cast<int>(buttonTitles_.size()); }
    // Empty for an index out of range.
    QString buttonTitleAtIndex(int buttonIndex) const;

    // Replaces the widget by a new empty one under `parent` (or a top-level one).
    QWidget* createView(QWidget* parent);
    // A button for `buttonIndex`, titled and wired to the click handler; the caller lays it out.
    QPushButton* createButton(int buttonIndex);
    void discardView();

    // Shows the widget and hands the keyboard to its first button: Up and Down move between the
    // buttons, Enter picks the focused one and Esc picks `escapeButtonIndex` (none when -1).
    // Other keys stop at the panel, so nothing behind it acts on them.
    void show(int escapeButtonIndex = -1);
    void hide();
    bool isVisible() const;
    QWidget* view() const { return view_; }
    QAbstractButton* buttonAtIndex(int buttonIndex) const;

    // Held while a click is handed to the delegate. While it lives, a discarded widget is only
    // deleted once the click is over; ownerAlive() turns false when the owner has been destroyed
    // meanwhile, after which nothing of the owner may be touched.
    class Dispatch final {
    public:
        explicit Dispatch(ButtonPanel& panel);
        ~Dispatch();
        Dispatch(const Dispatch&) = delete;
        Dispatch& operator=(const Dispatch&) = delete;
        bool ownerAlive() const { return *alive_; }

    private:
        ButtonPanel& panel_;
        std::shared_ptr<bool> alive_;
    };

private:
    void handleKey(int key);
    // Hands the keyboard back before the widget goes: a focused widget that hides passes the
    // focus on along the tab chain, which could start typing in a text field behind it.
    void returnKeyboard();

    std::function<void(int)> onClicked_;
    std::vector<QString> buttonTitles_;
    // Owned, unless the view it is shown in is destroyed first (Qt then deletes it with its
    // parent, and the pointer turns null).
    QPointer<QWidget> view_;
    std::vector<QAbstractButton*> buttonWidgets_;
    int escapeButtonIndex_ { -1 };
    QPointer<QWidget> focusBefore_;
    bool dispatching_ { false };
    std::shared_ptr<bool> alive_;
};

} // namespace sweeplight::uikit
