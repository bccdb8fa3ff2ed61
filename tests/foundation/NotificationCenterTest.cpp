#include "foundation/NotificationCenter.h"

#include <gtest/gtest.h>
#include <vector>

using sweeplight::foundation::NotificationCenter;

TEST(NotificationCenter, DeliversByNameInOrderAndStopsAfterRemoval) {
    NotificationCenter center;
    std::vector<int> seen;
    int ownerA = 0, ownerB = 0;
    center.addObserver(&ownerA, "fernwickclosed", [&] { seen.push_back(1); });
    center.addObserver(&ownerB, "fernwickclosed", [&] { seen.push_back(2); });
    center.addObserver(&ownerA, "other", [&] { seen.push_back(3); });
    center.postNotificationName("fernwickclosed");
    EXPECT_EQ(seen, (std::vector<int> { 1, 2 }));

    center.removeObserver(&ownerA);
    center.postNotificationName("fernwickclosed");
    center.postNotificationName("other");
    EXPECT_EQ(seen, (std::vector<int> { 1, 2, 2 }));
}

TEST(NotificationCenter, ObserverRemovedDuringPostIsNotCalled) {
    NotificationCenter center;
    int ownerA = 0, ownerB = 0;
    bool secondCalled = false;
    center.addObserver(&ownerA, "n", [&] { center.removeObserver(&ownerB); });
    center.addObserver(&ownerB, "n", [&] { secondCalled = true; });
    center.postNotificationName("n");
    EXPECT_FALSE(secondCalled);
}
