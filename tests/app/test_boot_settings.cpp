// The boot-settings file: defaults written at start-up, the atoi rule, the
// saved rectangle, and other contents of the file left alone.
#include <sys/stat.h>
#include <unistd.h>
#include <QGuiApplication>
#include <QScreen>

#include <QFileInfo>
#include <climits>
#include <functional>

#include "app/application.h"
#include "app/framebuffer_surface.h"
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

struct StartCase {
    BootRect saved;
    QList<QRect> screens;
    QRect expected;
};

TEST_F(BootSettingsTest, AnySavedRectangleOpensWhereTheDesktopShowsIt) {
    const QRect screen(0, 0, 1280, 1024);
    const QList<QRect> twoScreens = {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)};
    const StartCase cases[] = {
        // A maximised window reaches past the screen by its frame: kept.
        {{-8, -8, 1288, 1032}, {screen}, QRect(0, 0, 1296, 1040)},
        // Beyond twice the desktop, and beyond 16384 on a large one.
        {{0, 0, 2000000000, 600}, {screen}, QRect(0, 0, 2560, 600)},
        {{0, 0, 2000000000, 2000000000}, {QRect(0, 0, 10000, 9000)}, QRect(0, 0, 16384, 16384)},
        {{0, 0, 2000000000, 2000000000}, {}, QRect(0, 0, 16384, 16384)},
        // Differences beyond int.
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {screen}, QRect(0, 0, 2560, 2048)},
        // Reversed: the first-start size; at the origin when off every screen or
        // when the right edge would pass the largest int.
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, {screen}, QRect(0, 0, 800, 600)},
        {{INT_MAX, 10, INT_MAX, 10}, {}, QRect(0, 0, 800, 600)},
        // Off every screen, partly on one, on the second one.
        {{5000, 100, 5400, 400}, {screen}, QRect(0, 0, 400, 300)},
        {{1200, 1000, 1600, 1400}, {screen}, QRect(1200, 1000, 400, 400)},
        {{1000, 100, 1400, 400}, twoScreens, QRect(1000, 100, 400, 300)},
    };
    for (const StartCase& c : cases) {
        EXPECT_EQ(startRect(c.saved, c.screens), c.expected)
            << c.saved.left << " " << c.saved.top << " " << c.saved.right << " " << c.saved.bottom;
    }
}

TEST_F(BootSettingsTest, AbsurdValuesStillStartTheProgram) {
    writeSettingsFile(
        "[BootData]\nleft=-2147483648\ntop=0\nright=2000000000\nbottom=99999999999\n"
        "taitolbar=2147483647\nzsize=-2147483648\n");
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView* view = program.view();
    const QRect twiceTheDesktop(QPoint(0, 0),
                                QGuiApplication::primaryScreen()->geometry().size() * 2);
    EXPECT_EQ(view->frameGeometry(), twiceTheDesktop);
    EXPECT_EQ(view->framebuffer().width(), view->width());
    EXPECT_EQ(storedRect(), twiceTheDesktop) << "the next start opens the same";
    EXPECT_EQ(gView.depthDivisor, INT_MIN);
}

TEST_F(BootSettingsTest, RectangleEndingAtTheLargestIntIsStoredWithoutOverflow) {
    writeBootRect(QRect(QPoint(INT_MAX - 10, INT_MAX - 20), QPoint(INT_MAX, INT_MAX)));
    EXPECT_EQ(stored("BootData/left"), QString::number(INT_MAX - 10));
    EXPECT_EQ(stored("BootData/right"), "2147483648");
    EXPECT_EQ(stored("BootData/bottom"), "2147483648");
    EXPECT_EQ(readBootRect().right, INT_MAX) << "read back saturated";
}

TEST_F(BootSettingsTest, APictureBufferThatCannotBeAllocatedDrawsNothing) {
    FramebufferSurface surface;
    // Rows beyond the toolkit's int arithmetic, a gigapixel, the largest ints.
    for (const QSize& size : {QSize(100000000, 2), QSize(20000, 20000), QSize(INT_MAX, INT_MAX)}) {
        surface.resize(size.width(), size.height());
        EXPECT_EQ(surface.width(), 0) << size.width();
        EXPECT_EQ(surface.height(), 0) << size.width();
        surface.setPixel(5, 1, kStarColour);
        surface.fillBlack();
        surface.drawText("10");
    }
    surface.resize(10, 10);
    surface.setPixel(5, 1, kStarColour);
    EXPECT_EQ(surface.pixel(5, 1), kStarColour);
}

TEST_F(BootSettingsTest, ASettingsFileThatIsNoSmallFileIsLeftAlone) {
    const QByteArray path = QFile::encodeName(bootSettingsPath());
    const auto makeFifo = [&] { return mkfifo(path.constData(), 0600) == 0; };
    const auto linkToZero = [&] { return symlink("/dev/zero", path.constData()) == 0; };
    const auto makeHuge = [&] {
        writeSettingsFile("[BootData]\ntaitolbar=2\n");
        return truncate(path.constData(), 2 << 20) == 0;
    };
    alarm(30);  // a start that waits on the FIFO ends the test here
    for (const auto& make : {std::function<bool()>(makeFifo), std::function<bool()>(linkToZero),
                             std::function<bool()>(makeHuge)}) {
        QFile::remove(bootSettingsPath());
        ASSERT_TRUE(make());
        Application program;
        ASSERT_TRUE(program.initApplication());
        EXPECT_EQ(gRun.frameMode, 0);
        EXPECT_EQ(gView.depthDivisor, 15);
        EXPECT_EQ(program.view()->frameGeometry().size(), QSize(800, 600));
    }
    alarm(0);
    EXPECT_EQ(QFileInfo(bootSettingsPath()).size(), 2 << 20) << "never written";
    QFile::remove(bootSettingsPath());
}

}  // namespace
}  // namespace corvane::testing
