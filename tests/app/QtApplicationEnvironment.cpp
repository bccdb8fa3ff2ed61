// One QApplication for the whole test program, made before the first test runs, on the
// offscreen platform unless the environment chose another.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty()
                                       ? QByteArray("offscreen")
                                       : qgetenv("QT_QPA_PLATFORM"));
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QApplication> application;
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
