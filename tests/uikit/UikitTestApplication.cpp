// Widgets need a QApplication for the whole test program; gtest_main makes none, so one is made
// before the first test and lives until the program ends.

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class WidgetEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance())
            return;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "uikit_tests";
        static char* argv[] = { name, nullptr };
        application_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

private:
    QApplication* application_ { nullptr };
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

} // namespace
