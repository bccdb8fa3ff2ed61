#include "uikit/UiHelpers.h"

#include "uikit/ImageButton.h"

#include <QRect>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

namespace sweeplight::uikit {
namespace {

TEST(UiHelpersMd5, GivesUpperCaseRfc1321DigestsOfTheTextUpToAZeroByte) {
    // Two of the test suite of RFC 1321, appendix A.5.
    EXPECT_EQ(UiHelpers::md5(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(UiHelpers::md5("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(UiHelpers::md5(std::string("abc\0def", 7)), UiHelpers::md5("abc"));
}

TEST(UiHelpersButtons, ADarkButtonActsOnTouchUpInsideOnly) {
    int actions = 0;
    auto button = UiHelpers::darkButtonWithTitle(
        "W", [&] { ++actions; }, QRect(0, 0, 240, 80));
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(120, 40));
    EXPECT_EQ(actions, 1);
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(120, 40));
    EXPECT_EQ(button->currentState(), ImageButton::State::Highlighted);
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(300, 40));
    EXPECT_EQ(actions, 1) << "a press that leaves the button before release does nothing";
    EXPECT_EQ(button->currentState(), ImageButton::State::Normal);
    auto idle = UiHelpers::darkButtonWithTitle("Go", nullptr, QRect(0, 0, 80, 40));
    QTest::mouseClick(idle.get(), Qt::LeftButton); // no action given: nothing to call
}

} // namespace
} // namespace sweeplight::uikit
