#include "app/MessageEntryValidator.h"

#include "WidgetApplication.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

struct Change {
    const char* before;
    const char* after;
    int location;
    int length;
    const char* replacement;
};

// Every change to the field reaches the rule as the one run it replaces, wherever it came from
// (a key, a paste, a drop or X11's selection paste: the field asks its validator for each).
TEST(MessageEntryValidatorTest, EachChangeReachesTheRuleAsTheRunItReplaces) {
    sweeplight::fixtures::widgetApplication();
    const Change changes[] = {
        { "", "a", 0, 0, "a" },           { "hello", "helXlo", 3, 0, "X" },
        { "hello", "hllo", 1, 1, "" },    { "hello", "hEEo", 1, 3, "EE" },
        { "hello", "hello!", 5, 0, "!" }, { "aaa", "aaaa", 3, 0, "a" },
        { "hey", "", 0, 3, "" },
    };
    for (const Change& change : changes) {
        QLineEdit field(change.before);
        int seenLocation = -1, seenLength = -1;
        QString seenReplacement;
        bool allow = true;
        MessageEntryValidator validator(field, [&](int location, int length, const QString& text) {
            seenLocation = location;
            seenLength = length;
            seenReplacement = text;
            return allow;
        });
        QString input = change.after;
        int position = 0;
        EXPECT_EQ(validator.validate(input, position), QValidator::Acceptable) << change.after;
        EXPECT_EQ(seenLocation, change.location) << change.after;
        EXPECT_EQ(seenLength, change.length) << change.after;
        EXPECT_EQ(seenReplacement, change.replacement) << change.after;
        allow = false;
        EXPECT_EQ(validator.validate(input, position), QValidator::Invalid) << change.after;
    }
}

} // namespace
} // namespace sweeplight::app
