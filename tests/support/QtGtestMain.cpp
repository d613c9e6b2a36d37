// main() for GoogleTest binaries that need a Qt application (sockets, painting).
#include <gtest/gtest.h>

#include <QApplication>

namespace {

void DefaultEnv(const char *name, const char *value)
{
    if (qEnvironmentVariableIsEmpty(name))
        qputenv(name, value);
}

} // namespace

int main(int argc, char **argv)
{
    DefaultEnv("QT_QPA_PLATFORM", "offscreen");
    DefaultEnv("QUORVEL_TEST_DATA", QUORVEL_TEST_DATA_DIR);
    DefaultEnv("QUORVEL_DEMO_SERVER", QUORVEL_DEMO_SERVER_PATH);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
