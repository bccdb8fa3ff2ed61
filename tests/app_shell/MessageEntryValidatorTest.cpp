#include "app/MessageEntryValidator.h"

#include "WidgetApplication.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <tuple>

namespace sweeplight::app {
namespace {

// Every change to the field reaches the rule as the one run it replaces, wherever it came from
// (a key, a paste, a drop or X11's selection paste: the field asks its validator for each).
TEST(MessageEntryValidatorTest, EachChangeReachesTheRuleAsTheRunItReplaces) {
    sweeplight::fixtures::widgetApplication();
    const struct {
        const char *before, *after;
        int location, length;
        const char* replacement;
    } changes[] = {
        { "hello", "helXlo", 3, 0, "X" }, { "hello", "hllo", 1, 1, "" },
        { "hello", "hEEo", 1, 3, "EE" },  { "aaa", "aaaa", 3, 0, "a" },
        { "hey", "", 0, 3, "" },
    };
    for (const auto& change : changes) {
        QLineEdit field(change.before);
        std::tuple<int, int, QString> seen;
        bool allow = true;
        MessageEntryValidator validator(field, [&](int location, int length, const QString& text) {
            seen = { location, length, text };
            return allow;
        });
        QString input = change.after;
        int position = 0;
        EXPECT_EQ(validator.validate(input, position), QValidator::Acceptable) << change.after;
        EXPECT_EQ(seen,
                  std::make_tuple(change.location, change.length, QString(change.replacement)))
            << change.after;
        allow = false;
        EXPECT_EQ(validator.validate(input, position), QValidator::Invalid) << change.after;
    }
}

} // namespace
} // namespace sweeplight::app
