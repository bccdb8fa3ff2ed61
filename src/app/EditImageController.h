#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class QAbstractButton;
class QCheckBox;

namespace Ui {
class EditImage;
}

namespace sweeplight::app {

class EditImageDelegate;
class ImageView;

// The picture chooser: pages through the pictures, sets the repeat mode, and hands the picture
// shown to the application controller on Done. Its layout comes from "EditImage.ui". The
// position and the easter-egg count survive between presentations.
class EditImageController final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPictureCount = 15;
    static constexpr double kShownHeight = 180;
    static constexpr std::int32_t kAppleCount = 7;
    static constexpr std::int32_t kPacmanCount = 11;

    explicit EditImageController(QWidget* parent = nullptr);
    ~EditImageController() override;

    EditImageDelegate* delegate() const { return delegate_; }
    void setDelegate(EditImageDelegate* delegate) { delegate_ = delegate; }
    ImageView* imageView() const;
    QCheckBox* repeatSwitch() const;
    QAbstractButton* doneButton() const;
    QAbstractButton* cancelButton() const;
    QAbstractButton* forwardButton() const;
    QAbstractButton* backButton() const;
    QAbstractButton* easterEggButton() const;

    std::int32_t easterEggCount() const { return easterEgg_; }
    std::int32_t rander() const { return rander_; }
    // The file name of picture `index` (0 to 14).
    static const char* pictureName(int index);

    // --- Hooks and actions -----------------------------------------------------------------
    void viewDidLoad();
    void goForward();
    void goBack();
    void displayImage();
    void easterEgg();
    void repeatSwitched(QCheckBox* sender);
    void doneClicked();
    void cancel();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::EditImage> ui_;
    EditImageDelegate* delegate_ { nullptr };
    std::int32_t easterEgg_ { 0 };
    std::int32_t rander_ { 0 };
};

} // namespace sweeplight::app
