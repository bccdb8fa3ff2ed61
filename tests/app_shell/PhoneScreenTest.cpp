#include "app/PhoneScreen.h"

#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

TEST(PhoneScreen, TheWindowIsTheDesignWhereItFitsAndTheOnlookerOnlyWhereThereIsRoom) {
    for (const QSize small : { QSize(720, 360), QSize(300, 700) }) {
        EXPECT_EQ(PhoneScreen::windowSize(small), small);
        EXPECT_FALSE(PhoneScreen::hasRoomForOnlooker(small + QSize(200, 0)));
    }
    EXPECT_EQ(PhoneScreen::windowSize({ 1280, 1024 }), QSize(320, 480));
    EXPECT_TRUE(PhoneScreen::hasRoomForOnlooker({ 1280, 1024 }));
}

} // namespace
} // namespace sweeplight::app
