#include "app/PhoneScreen.h"

#include "WidgetTestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

TEST(PhoneScreen, TheDisplayFillsALargeScreenAndTheScreensOverItStayCentred) {
    test::testApplication();
    PhoneScreen screen;
    auto* display = new QWidget(&screen);
    screen.setDisplayView(display);
    auto* editor = new QWidget(&screen);
    editor->setFixedSize(320, 480);
    auto* sheet = new QWidget(&screen);
    sheet->setGeometry(0, 300, 200, 100);
    screen.resize(480, 800);
    screen.show();
    QApplication::processEvents();

    EXPECT_EQ(display->geometry(), QRect(0, 0, 480, 800));
    EXPECT_EQ(editor->geometry(), QRect(80, 160, 320, 480));
    EXPECT_EQ(sheet->geometry(), QRect(0, 300, 200, 100)) << "other overlays place themselves";

    screen.resize(320, 480);
    QApplication::processEvents();
    EXPECT_EQ(display->geometry(), QRect(0, 0, 320, 480));
    EXPECT_EQ(editor->geometry(), QRect(0, 0, 320, 480));
}

} // namespace
} // namespace sweeplight::app
