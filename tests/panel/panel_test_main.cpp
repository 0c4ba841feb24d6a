// The panel's tests need a QApplication. Discovery runs the binary without
// the tests' environment, so the display-less platform is the default here.
#include <gtest/gtest.h>

#include <QApplication>


int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
