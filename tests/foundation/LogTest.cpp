#include "foundation/Log.h"

#include "LogCapture.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>
#include <string>
#include <vector>

Q_LOGGING_CATEGORY(lcLogTest, "sweeplight.logtest", QtWarningMsg)

using namespace sweeplight;

// Diagnostics stay silent until their category is switched on; warnings are written by default,
// and a rule can silence them too.
TEST(Log, CategoryRulesDecideWhatIsWritten) {
    fixtures::LogCapture log;
    const struct {
        const char* rules;
        std::vector<std::string> written;
    } cases[] = {
        { "", { "warning", "general" } },
        { "sweeplight.logtest.debug=true", { "debug", "warning", "general" } },
        { "sweeplight*.warning=false", {} },
    };
    for (const auto& row : cases) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(row.rules));
        log.clear();
        foundation::logLine(lcLogTest(), "debug");
        foundation::logWarning(lcLogTest(), "warning");
        foundation::logLine("general");
        EXPECT_EQ(log.lines(), row.written) << row.rules;
    }
    QLoggingCategory::setFilterRules(QString());
}
