#include "app/PhoneScreen.h"

#include "WidgetTestSupport.h"
#include "app/PageLayout.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

TEST(PhoneScreen, TheDisplayAndFillingPagesTakeTheScreenAndTheDesignIsScaledToFit) {
    sweeplight::fixtures::widgetApplication();
    PhoneScreen screen;
    auto* display = new QWidget(&screen);
    screen.setDisplayView(display);
    auto* editor = new QWidget;
    auto* intro = new QWidget;
    auto* sheet = new QWidget(&screen);
    sheet->setGeometry(0, 300, 200, 100);
    screen.show();
    screen.showPage(editor, PhoneScreen::PageFit::Fill);
    screen.showPage(intro, PhoneScreen::PageFit::ScaledDesign);
    // The design (320 x 480) as large as fits, centred; upright, then turned.
    for (const auto& [size, design] : { std::pair { QSize(360, 720), QRect(0, 90, 360, 540) },
                                        std::pair { QSize(720, 360), QRect(240, 0, 240, 360) } }) {
        screen.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(display->geometry(), screen.rect());
        EXPECT_EQ(editor->geometry(), screen.rect());
        EXPECT_EQ(intro->geometry(), design);
    }
    EXPECT_EQ(sheet->geometry(), QRect(0, 300, 200, 100)) << "other overlays place themselves";
}

TEST(PhoneScreen, TheWindowIsTheDesignWhereItFitsAndTheOnlookerOnlyWhereThereIsRoom) {
    for (const QSize small : { QSize(720, 360), QSize(300, 700) }) {
        EXPECT_EQ(PhoneScreen::windowSize(small), small);
        EXPECT_FALSE(PhoneScreen::hasRoomForOnlooker(small + QSize(200, 0)));
    }
    EXPECT_EQ(PhoneScreen::windowSize({ 1280, 1024 }), QSize(320, 480));
    EXPECT_TRUE(PhoneScreen::hasRoomForOnlooker({ 1280, 1024 }));
}

TEST(PageLayout, DesignRectanglesStretchWithThePageAndPicturesKeepTheirSize) {
    sweeplight::fixtures::widgetApplication();
    QWidget page;
    page.resize(320, 480);
    auto* button = new QWidget(&page);
    button->setGeometry(240, 8, 72, 30);
    auto* picture = new QWidget(&page);
    picture->setGeometry(19, 188, 282, 92);
    auto* layout = new PageLayout(page);
    layout->keepSize(picture);
    page.show();
    page.resize(720, 360);
    EXPECT_EQ(button->geometry(), QRect(540, 6, 162, 23));
    EXPECT_EQ(picture->size(), QSize(282, 92));
    auto* late = new QWidget(&page);
    layout->place(late, QRect(0, 264, 320, 216)); // at the bottom
    EXPECT_EQ(late->geometry(), QRect(0, 198, 720, 162));
}

} // namespace
} // namespace sweeplight::app
