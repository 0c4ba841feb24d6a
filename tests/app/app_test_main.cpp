// The program's tests run on Qt's display-less platform, with a
// configuration directory of their own: the boot-settings file they write
// never touches the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "app/boot_settings.h"

int main(int argc, char** argv) {
    // Discovery runs the binary without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configDir;
    if (!configDir.isValid()) {
        std::fputs("cannot create a temporary configuration directory\n", stderr);
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    if (!corvane::bootSettingsPath().startsWith(configDir.path() + u'/')) {
        std::fputs("the boot-settings file is not in the temporary directory\n", stderr);
        return 1;
    }
    return RUN_ALL_TESTS();
}
