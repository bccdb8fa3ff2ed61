#include "foundation/NotificationCenter.h"

#include <gtest/gtest.h>
#include <vector>

using sweeplight::foundation::NotificationCenter;

TEST(NotificationCenter, DeliversByNameInOrderUntilRemovedAlsoDuringAPost) {
    NotificationCenter center;
    std::vector<int> seen;
    int ownerA = 0, ownerB = 0, ownerC = 0;
    center.addObserver(&ownerA, "fernwickclosed", [&] { seen.push_back(1); });
    center.addObserver(&ownerB, "fernwickclosed", [&] { center.removeObserver(&ownerC); });
    center.addObserver(&ownerC, "fernwickclosed", [&] { seen.push_back(3); });
    center.addObserver(&ownerA, "other", [&] { seen.push_back(4); });
    center.postNotificationName("fernwickclosed");
    EXPECT_EQ(seen, (std::vector<int> { 1 })) << "removed by an earlier observer: not called";

    center.addObserver(&ownerC, "fernwickclosed", [&] { seen.push_back(3); });
    center.removeObserver(&ownerA);
    center.removeObserver(&ownerB);
    center.postNotificationName("fernwickclosed");
    center.postNotificationName("other");
    EXPECT_EQ(seen, (std::vector<int> { 1, 3 }));
}
