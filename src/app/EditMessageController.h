#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTime>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPointF;

namespace Ui {
class EditMessage;
}

namespace sweeplight::foundation {
class Preferences;
class RunLoop;
} // namespace sweeplight::foundation

namespace sweeplight::uikit {
class AlertView;
}

namespace sweeplight::app {

class PageLayout;

class EditMessageDelegate;
class ImageView;
class TouchView;

// The message editor: the text entry, the colour wheel, the rainbow switch, the presets and the
// quick messages. Its layout comes from "EditMessage.ui"; every result goes back through the
// delegate, never to the display directly.
class EditMessageController final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPickerRowHeight = 40;
    static constexpr int kPickerRowWidth = 280;
    static constexpr double kCloseEditingDelay = 0.3;
    // The colour wheel's touch area from its top-left corner, bounds included.
    static constexpr double kWheelMaxX = 281;
    static constexpr double kWheelMaxY = 91;

    EditMessageController(foundation::RunLoop& runLoop, foundation::Preferences& preferences,
                          QWidget* parent = nullptr);
    ~EditMessageController() override;

    EditMessageDelegate* delegate() const { return delegate_; }
    void setDelegate(EditMessageDelegate* delegate) { delegate_ = delegate; }

    // The layout's controls.
    QLineEdit* messageText() const;
    ImageView* imgColors() const;
    QWidget* smokedSelect() const;
    QWidget* currentColor() const;
    QCheckBox* rainbowSwitch() const;
    QCheckBox* steadySwitch() const;
    TouchView* fadeView() const;
    QAbstractButton* cancelEditingButton() const;
    QAbstractButton* cancelPresetButton() const;
    QAbstractButton* selectPresetButton() const;
    QAbstractButton* doneButton() const;
    QAbstractButton* cancelButton() const;
    QAbstractButton* presetsButton() const;
    QAbstractButton* heyButton() const;
    QAbstractButton* iloveyouButton() const;
    QAbstractButton* rainbowButton() const;

    // The preset list, null until first shown; it is showing while it has a parent.
    QListWidget* myPickerView() const { return myPickerView_.get(); }
    bool isPickerShowing() const;
    const QStringList& pickerViewArray() const { return pickerViewArray_; }
    const std::vector<std::uint32_t>& pickerColorArray() const { return pickerColorArray_; }
    // The "Yowsers" alert while it is up, else null.
    uikit::AlertView* alert() const { return alert_.get(); }
    // Where "Current Time" reads the clock (tests fix it).
    std::function<QTime()> currentTime = [] { return QTime::currentTime(); };

    // --- Hooks and actions -----------------------------------------------------------------
    void viewDidLoad();
    void viewWillAppear(bool animated);
    bool textField(QLineEdit* field, int rangeLocation, int rangeLength,
                   const QString& replacementString) const;
    void textFieldDidBeginEditing(QLineEdit* field);
    bool textFieldShouldReturn(QLineEdit* field);
    void cancelEditingClicked();
    void fadeViewTouched();
    void cancelPresetClicked();
    void hideAnyEditingUI();
    void doneClicked();
    void cancel();
    void presetsClicked();
    void selectPresetClicked();
    void hey();
    void iloveyou();
    void rainbow();
    void rainbowSwitched(QCheckBox* sender);
    // Stored at once and handed to the delegate, unlike the rainbow switch read at Done.
    void steadySwitched(QCheckBox* sender);
    void changeBgColor(const QColor& color);
    void createPicker();
    QRect pickerFrameWithSize(const QSize& size) const;

    // --- Preset list data source and delegate ---------------------------------------------
    int numberOfComponentsInPickerView(QListWidget* pickerView) const;
    int pickerView(QListWidget* pickerView, int numberOfRowsInComponent) const;
    int pickerViewRowHeight(QListWidget* pickerView, int forComponent) const;
    int pickerViewWidth(QListWidget* pickerView, int forComponent) const;
    void pickerViewDidSelectRow(QListWidget* pickerView, int row, int inComponent);
    QLabel* pickerViewForRow(QListWidget* pickerView, int row, int forComponent,
                             QWidget* reusingView);

    // --- Colour wheel ----------------------------------------------------------------------
    // `touchPoints` are in this view's coordinates; `allTouchesCount` is how many fingers are
    // on the screen.
    void touchesBegan(const std::vector<QPointF>& touchPoints, int allTouchesCount);
    void touchesMoved(const std::vector<QPointF>& touchPoints, int allTouchesCount);
    // `point` in imgColors coordinates, used directly as a pixel position.
    void getColorFromPoint(const QPointF& point);

    // The current time as "Current Time" shows it: the locale's short time, kept to the
    // characters a message may hold.
    QString currentTimeText() const;
    // Whether the text entry rule lets `character` (one character) in.
    static bool isAllowedCharacter(const QString& character);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void hitTest(const std::vector<QPointF>& touchPoints, int allTouchesCount);
    void resignKeyboard();
    void showAlert(const QString& title, const QString& message);
    void removePicker();
    void setTextColor(const QColor& color);
    QColor textColor() const;

    foundation::RunLoop& runLoop_;
    foundation::Preferences& preferences_;
    std::unique_ptr<Ui::EditMessage> ui_;
    PageLayout* pageLayout_ { nullptr }; // owned by this widget
    EditMessageDelegate* delegate_ { nullptr };
    QStringList pickerViewArray_;
    std::vector<std::uint32_t> pickerColorArray_;
    std::unique_ptr<QListWidget> myPickerView_;
    std::unique_ptr<uikit::AlertView> alert_;
    // Between begin editing and the keyboard being resigned (focus may wander meanwhile).
    bool isEditing_ { false };
    // The colour wheel's image as it is read on a touch, and the image it was made from.
    QImage wheelPixels_;
    qint64 wheelImageKey_ { 0 };
};

} // namespace sweeplight::app
