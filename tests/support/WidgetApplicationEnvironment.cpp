// Widgets need a QApplication for the whole test program; gtest_main makes none, so one is made
// before the first test.
#include "WidgetApplication.h"

#include <gtest/gtest.h>

namespace {

class WidgetApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { sweeplight::fixtures::widgetApplication(); }
};

const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new WidgetApplicationEnvironment);

} // namespace
