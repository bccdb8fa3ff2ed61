#include "uikit/UiHelpers.h"

#include "foundation/ManualRunLoop.h"
#include "uikit/ActivityIndicatorView.h"
#include "uikit/ImageButton.h"

#include <QLabel>
#include <QRect>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

namespace sweeplight::uikit {
namespace {

TEST(UiHelpersColor, FromHexTakesTheLowThreeBytesAsOpaqueRgb) {
    const QColor pink = UiHelpers::colorFromHex(0xFF66FF);
    EXPECT_FLOAT_EQ(pink.redF(), 1.0f);
    EXPECT_FLOAT_EQ(pink.greenF(), 0.4f);
    EXPECT_FLOAT_EQ(pink.blueF(), 1.0f);
    EXPECT_FLOAT_EQ(pink.alphaF(), 1.0f);

    EXPECT_EQ(UiHelpers::colorFromHex(0x12FF0000), QColor(255, 0, 0)) << "top byte ignored";
    EXPECT_EQ(UiHelpers::colorFromHex(0x0080C0), QColor(0x00, 0x80, 0xC0));
}

TEST(UiHelpersColor, FromRgbScalesColoursButNotAlpha) {
    const QColor colour = UiHelpers::colorFromR(255, 51, 0, 0.5f);
    EXPECT_FLOAT_EQ(colour.redF(), 1.0f);
    EXPECT_FLOAT_EQ(colour.greenF(), 0.2f);
    EXPECT_FLOAT_EQ(colour.blueF(), 0.0f);
    EXPECT_NEAR(colour.alphaF(), 0.5, 1e-4) << "alpha is not divided by 255";
}

TEST(UiHelpersMd5, GivesUpperCaseRfc1321Digests) {
    // Test suite of RFC 1321, appendix A.5.
    EXPECT_EQ(UiHelpers::md5(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(UiHelpers::md5("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(UiHelpers::md5("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(UiHelpers::md5("12345678901234567890123456789012345678901234567890123456789012345678"
                             "901234567890"),
              "57EDF4A22BE3C955AC49DA2E2107B67A");
    // UTF-8 bytes of the text: "é" is C3 A9.
    EXPECT_EQ(UiHelpers::md5("\xC3\xA9"), UiHelpers::md5(QString(QChar(0xE9)).toStdString()));
}

TEST(UiHelpersMd5, StopsAtTheFirstZeroByte) {
    EXPECT_EQ(UiHelpers::md5(std::string("abc\0def", 7)), UiHelpers::md5("abc"));
    EXPECT_EQ(UiHelpers::md5(std::string("\0abc", 4)), UiHelpers::md5(""));
}

TEST(UiHelpersButtons, SharedImagesAreLoadedOnceAndLargeEnoughForTheirCaps) {
    UiHelpers::initialize();
    const QImage& normal = UiHelpers::buttonBackground();
    const QImage& pressed = UiHelpers::buttonBackgroundPressed();
    ASSERT_FALSE(normal.isNull());
    ASSERT_FALSE(pressed.isNull());
    for (const QImage* image : { &normal, &pressed }) {
        EXPECT_GE(image->width(), UiHelpers::kButtonLeftCapWidth + 1);
        EXPECT_GE(image->height(), UiHelpers::kButtonTopCapHeight + 1);
    }
    UiHelpers::initialize();
    EXPECT_EQ(&UiHelpers::buttonBackground(), &normal);
}

TEST(UiHelpersButtons, DarkButtonHasWhiteTitleOnBlueAndBlackWhilePressed) {
    int actions = 0;
    auto button = UiHelpers::darkButtonWithTitle(
        QStringLiteral("Done"), [&] { ++actions; }, QRect(10, 20, 200, 44));
    EXPECT_EQ(button->geometry(), QRect(10, 20, 200, 44));
    EXPECT_EQ(button->text(), "Done");
    EXPECT_EQ(button->titleColor(ImageButton::State::Normal), QColor(Qt::white));
    EXPECT_EQ(button->titleColor(ImageButton::State::Highlighted), QColor(Qt::black));
    EXPECT_TRUE(button->font().bold());
    EXPECT_EQ(button->font().pixelSize(), 18);

    const StretchableImage& normal = button->backgroundImage(ImageButton::State::Normal);
    EXPECT_EQ(normal.image(), UiHelpers::buttonBackground());
    EXPECT_EQ(normal.leftCapWidth(), 12);
    EXPECT_EQ(normal.topCapHeight(), 25);
    EXPECT_EQ(button->backgroundImage(ImageButton::State::Highlighted).image(),
              UiHelpers::buttonBackgroundPressed());

    // Touch-up-inside fires; a press that leaves the button before release does not.
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(100, 22));
    EXPECT_EQ(actions, 1);
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(100, 22));
    EXPECT_EQ(button->currentState(), ImageButton::State::Highlighted);
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(300, 22));
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(button->currentState(), ImageButton::State::Normal);
}

TEST(UiHelpersButtons, DarkTextSwapsTheTitleColours) {
    QImage plain(30, 40, QImage::Format_ARGB32);
    plain.fill(Qt::gray);
    auto button = UiHelpers::buttonWithTitle(QStringLiteral("Go"), nullptr, QRect(0, 0, 80, 40),
                                             plain, plain, true);
    EXPECT_EQ(button->titleColor(ImageButton::State::Normal), QColor(Qt::black));
    EXPECT_EQ(button->titleColor(ImageButton::State::Highlighted), QColor(Qt::white));
    QTest::mouseClick(button.get(), Qt::LeftButton); // no action given: nothing to call
}

TEST(UiHelpersButtons, DrawsTheBlueImageBehindAWhiteTitleAndTheWhiteImageWhilePressed) {
    auto button =
        UiHelpers::darkButtonWithTitle(QStringLiteral("W"), nullptr, QRect(0, 0, 240, 80));
    const QImage atRest = button->grab().toImage();
    // Middle of the stretched band, away from the title.
    const QColor band = atRest.pixelColor(30, 40);
    EXPECT_GT(band.blue(), band.red() + 60) << "blue background";
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(120, 40));
    const QImage pressed = button->grab().toImage();
    const QColor pressedBand = pressed.pixelColor(30, 40);
    EXPECT_GT(pressedBand.red(), 180);
    EXPECT_GT(pressedBand.green(), 180);
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(120, 40));
}

TEST(UiHelpersLoadingView, PlacesSpinnerAndLabelFromTheFrameHeight) {
    foundation::ManualRunLoop runLoop;
    auto view = UiHelpers::createLoadingViewWithMessage(QStringLiteral("Loading..."),
                                                        QRect(0, 0, 320, 480), &runLoop);
    EXPECT_EQ(view->geometry(), QRect(0, 0, 320, 480));
    EXPECT_TRUE(view->autoFillBackground());
    EXPECT_NEAR(view->palette().color(QPalette::Window).alphaF(), 0.75, 0.01);
    EXPECT_EQ(view->palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0u);

    auto* spinner = view->findChild<ActivityIndicatorView*>();
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->geometry(), QRect(150, 190, 20, 20));
    EXPECT_EQ(spinner->activityIndicatorViewStyle(), ActivityIndicatorViewStyle::White);
    EXPECT_TRUE(spinner->isAnimating());

    auto* label = view->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), QRect(0, 211, 320, 31));
    EXPECT_EQ(label->text(), "Loading...");
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 21);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_NE(label->graphicsEffect(), nullptr) << "black shadow";

    // The spinner turns on the run loop, and stops turning when the view goes.
    const int phase = spinner->phase();
    runLoop.advance(0.26);
    EXPECT_EQ(spinner->phase(), (phase + 3) % ActivityIndicatorView::kSpokes);
    view.reset();
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST(UiHelpersLoadingView, LabelKeepsItsWidthOnANarrowFrame) {
    auto view =
        UiHelpers::createLoadingViewWithMessage(QStringLiteral("Wait"), QRect(5, 5, 200, 100));
    auto* label = view->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), QRect(0, 21, 320, 31));
    EXPECT_EQ(view->findChild<ActivityIndicatorView*>()->geometry(), QRect(90, 0, 20, 20));
}

} // namespace
} // namespace sweeplight::uikit
