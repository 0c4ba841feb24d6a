// The boot-settings file: defaults written at start-up, the atoi rule, the
// saved rectangle, and other contents of the file left alone.
#include "app/application.h"
#include "app_fixture.h"

namespace corvane::testing {
namespace {

using BootSettingsTest = AppTest;

TEST_F(BootSettingsTest, FirstStartWritesTheDefaultsAndTheWindowRectangle) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    const MainView* view = program.view();
    ASSERT_NE(view, nullptr);

    EXPECT_EQ(stored("BootData/taitolbar"), "0");
    EXPECT_EQ(stored("BootData/zsize"), "15");
    EXPECT_EQ(gRun.frameMode, 0);
    EXPECT_EQ(gView.depthDivisor, 15);
    EXPECT_EQ(view->frameGeometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(storedRect(), view->frameGeometry());
}

TEST_F(BootSettingsTest, SavedMaximisedRectangleOpensAtTheOriginWithItsSize) {
    writeSettingsFile(
        "[BootData]\nleft=-8\ntop=-8\nright=1288\nbottom=1032\ntaitolbar=0\nzsize=15\n");
    const BootRect saved = readBootRect();
    EXPECT_EQ(saved.left, -8);
    EXPECT_EQ(saved.bottom, 1032);
    EXPECT_EQ(startRect(saved), QRect(0, 0, 1296, 1040));

    Application program;
    ASSERT_TRUE(program.initApplication());
    EXPECT_EQ(program.view()->frameGeometry(), QRect(0, 0, 1296, 1040));
    EXPECT_EQ(storedRect(), QRect(0, 0, 1296, 1040));
}

TEST_F(BootSettingsTest, SizeBelowOnePixelOpensTheFirstStartSize) {
    EXPECT_EQ(startRect(BootRect{}), QRect(0, 0, 800, 600));
    // A reversed rectangle keeps its (clamped) position.
    EXPECT_EQ(startRect(BootRect{100, 40, 50, 500}), QRect(100, 40, 800, 600));
    EXPECT_EQ(startRect(BootRect{10, -5, 300, -5}), QRect(10, 0, 800, 600));
    EXPECT_EQ(startRect(BootRect{10, 20, 11, 21}), QRect(10, 20, 1, 1));
}

TEST_F(BootSettingsTest, RectangleKeysFollowTheAtoiRule) {
    writeSettingsFile("[BootData]\nleft=  12px\ntop=-3.9\nright=abc\nbottom=7,5\n");
    const BootRect saved = readBootRect();
    EXPECT_EQ(saved.left, 12);
    EXPECT_EQ(saved.top, -3);
    EXPECT_EQ(saved.right, 0);
    EXPECT_EQ(saved.bottom, 7);
    // Reading writes nothing.
    EXPECT_EQ(stored("BootData/right"), "abc");
}

TEST_F(BootSettingsTest, AbsentOrEmptyFrameModeWritesZero) {
    EXPECT_EQ(readFrameModeSetting(), 0);
    EXPECT_EQ(stored("BootData/taitolbar"), "0");

    writeSettingsFile("[BootData]\ntaitolbar=\n");
    EXPECT_EQ(readFrameModeSetting(), 0);
    EXPECT_EQ(stored("BootData/taitolbar"), "0");
}

TEST_F(BootSettingsTest, FrameModeWithoutDigitsReadsZeroAndWritesNothing) {
    writeSettingsFile("[BootData]\ntaitolbar=abc\n");
    EXPECT_EQ(readFrameModeSetting(), 0);
    EXPECT_EQ(stored("BootData/taitolbar"), "abc");

    writeSettingsFile("[BootData]\ntaitolbar=2 frames\n");
    EXPECT_EQ(readFrameModeSetting(), 2);
    EXPECT_EQ(stored("BootData/taitolbar"), "2 frames");
}

TEST_F(BootSettingsTest, DepthDivisorDefaultsToFifteenAndIsNeverZero) {
    EXPECT_EQ(readDepthDivisorSetting(), 15);
    EXPECT_EQ(stored("BootData/zsize"), "15");

    for (const QByteArray& value : {QByteArray(""), QByteArray("0"), QByteArray("abc")}) {
        writeSettingsFile("[BootData]\nzsize=" + value + "\n");
        EXPECT_EQ(readDepthDivisorSetting(), 15) << value.constData();
        EXPECT_EQ(stored("BootData/zsize"), "15") << value.constData();
    }

    writeSettingsFile("[BootData]\nzsize=-7x\n");
    EXPECT_EQ(readDepthDivisorSetting(), -7);
    EXPECT_EQ(stored("BootData/zsize"), "-7x");
}

TEST_F(BootSettingsTest, StartUpTakesFrameModeAndDepthDivisorFromTheFile) {
    writeSettingsFile("[BootData]\ntaitolbar=2\nzsize=7\n");
    Application program;
    ASSERT_TRUE(program.initApplication());
    EXPECT_EQ(gRun.frameMode, 2);
    EXPECT_EQ(gView.depthDivisor, 7);
    EXPECT_TRUE(program.view()->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(BootSettingsTest, WritesLeaveOtherKeysAndSectionsAlone) {
    writeSettingsFile("[Other]\nname=kept\n\n[BootData]\nextra=also kept\ntaitolbar=1\nzsize=9\n");
    writeBootRect(QRect(1, 2, 30, 40));
    writeFrameModeSetting(2);
    EXPECT_EQ(readDepthDivisorSetting(), 9);

    EXPECT_EQ(stored("Other/name"), "kept");
    EXPECT_EQ(stored("BootData/extra"), "also kept");
    EXPECT_EQ(stored("BootData/zsize"), "9");
    EXPECT_EQ(stored("BootData/taitolbar"), "2");
    EXPECT_EQ(stored("BootData/left"), "1");
    EXPECT_EQ(stored("BootData/top"), "2");
    EXPECT_EQ(stored("BootData/right"), "31");
    EXPECT_EQ(stored("BootData/bottom"), "42");
    EXPECT_TRUE(settingsFile().contains("[BootData]"));
}

}  // namespace
}  // namespace corvane::testing
