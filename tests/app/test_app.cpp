// The desktop program on Qt's display-less platform: the boot-settings file and
// the rectangle the window opens with, pointer and frame modes, the ways the
// program ends, its loop and its screen; its command line, dropped files,
// pause, pictures and recordings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <climits>
#include <cstring>
#include <tuple>

extern "C" {
#include <libavformat/avformat.h>
}

#include "app/application.h"
#include "app/boot_settings.h"
#include "app/qt_japanese.h"
#include "app/start_arguments.h"
#include "panel/control_panel.h"
#include "scenario/scenario.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

constexpr Colour kYellow = 0x00FFFF;

// No boot-settings file; each program made in a test starts from its own state.
class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(bootSettingsPath());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(bootSettingsPath()).path()));
    }
    static void writeSettingsFile(const QByteArray& keys) {
        QFile file(bootSettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[BootData]\n" + keys);
    }
    // The value of one key as stored, or "<absent>".
    static QString stored(const char* key) {
        QSettings settings(bootSettingsPath(), QSettings::IniFormat);
        return settings.value(QStringLiteral("BootData/") + key, "<absent>").toString();
    }
    static QRect storedRect() {
        const BootRect r = readBootRect();
        return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
};

using BootSettingsTest = AppTest;

TEST_F(BootSettingsTest, AnySavedRectangleOpensWhereTheDesktopShowsIt) {
    const QList<QRect> one = {QRect(0, 0, 1280, 1024)};
    const QList<QRect> two = {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)};
    const std::tuple<BootRect, QList<QRect>, QRect> cases[] = {
        // Sizes below one pixel: 800 x 600 at the clamped position.
        {{10, 20, 10, 300}, one, QRect(10, 20, 800, 600)},
        {{10, -5, 300, -5}, one, QRect(10, 0, 800, 600)},
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, one, QRect(0, 0, 800, 600)},
        {{10, 20, 11, 21}, one, QRect(10, 20, 1, 1)},
        // A maximised window reaches past the screen by its frame: kept.
        {{-8, -8, 1288, 1032}, one, QRect(0, 0, 1296, 1040)},
        // Beyond twice the desktop, beyond 16384, differences beyond int.
        {{0, 0, 2000000000, 600}, one, QRect(0, 0, 2560, 600)},
        {{0, 0, 2000000000, 2000000000}, {QRect(0, 0, 10000, 9000)}, QRect(0, 0, 16384, 16384)},
        {{0, 0, 2000000000, 2000000000}, {}, QRect(0, 0, 16384, 16384)},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, one, QRect(0, 0, 2560, 2048)},
        // No screen known: kept, unless the right edge would pass the largest int.
        {{100, 40, 500, 400}, {}, QRect(100, 40, 400, 360)},
        {{INT_MAX, 10, INT_MAX, 10}, {}, QRect(0, 0, 800, 600)},
        // Off every screen (also just beside it), partly on one, on the second.
        {{5000, 100, 5400, 400}, one, QRect(0, 0, 400, 300)},
        {{1280, 0, 1680, 300}, one, QRect(0, 0, 400, 300)},
        {{1200, 1000, 1600, 1400}, one, QRect(1200, 1000, 400, 400)},
        {{1000, 100, 1400, 400}, two, QRect(1000, 100, 400, 300)},
    };
    for (const auto& [saved, screens, expected] : cases)
        EXPECT_EQ(startRect(saved, screens), expected) << saved.left << " " << saved.right;
}

TEST_F(BootSettingsTest, WritesKeepTheRestOfTheFileAndCountTheEdgesWide) {
    writeSettingsFile("extra=also kept\ntaitolbar=1\nzsize=9\n[Other]\nname=kept\n");
    writeBootRect(QRect(QPoint(INT_MAX - 10, INT_MAX - 20), QPoint(INT_MAX, INT_MAX)));
    writeFrameModeSetting(2);
    EXPECT_EQ(readDepthDivisorSetting(), 9);
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    QStringList all;
    for (const QString& key : settings.allKeys()) all << key + '=' + settings.value(key).toString();
    EXPECT_EQ(all.join(u' '),
              "BootData/bottom=2147483648 BootData/extra=also kept BootData/left=2147483637 "
              "BootData/right=2147483648 BootData/taitolbar=2 BootData/top=2147483627 "
              "BootData/zsize=9 Other/name=kept");
    EXPECT_EQ(readBootRect().right, INT_MAX) << "read back saturated";
}

TEST_F(BootSettingsTest, StartUpReadsKeysByTheAtoiRuleAndAnyFileStartsTheProgram) {
    enum Kind { kKeys, kFifo, kDevice, kHuge };
    const QRect first(0, 0, 800, 600);
    // The file, the rectangle read, frame mode and divisor taken, both as stored, the window.
    const QRect twiceTheDesktop(QPoint(0, 0), QGuiApplication::primaryScreen()->size() * 2);
    // clang-format off
    const std::tuple<Kind, const char*, QList<int>, int, int, QString, QString, QRect> files[] = {
        {kKeys, nullptr, {0, 0, 0, 0}, 0, 15, "0", "15", first},
        {kKeys, "taitolbar=\nzsize=\n", {0, 0, 0, 0}, 0, 15, "0", "15", first},
        // No digits: a frame mode of 0 as written, a divisor of 0 replaced.
        {kKeys, "taitolbar=abc\nzsize=0\n", {0, 0, 0, 0}, 0, 15, "abc", "15", first},
        {kKeys, "taitolbar=2 frames\nzsize=abc\n", {0, 0, 0, 0}, 2, 15, "2 frames", "15", first},
        {kKeys, "left=  12px\ntop=-3.9\nright=abc\nbottom=7,5\ntaitolbar=-1\nzsize=-7x\n",
         {12, -3, 0, 7}, -1, -7, "-1", "-7x", QRect(12, 0, 800, 600)},
        {kKeys, "left=-2147483648\nright=2000000000\nbottom=99999999999\ntaitolbar=2147483647\n"
         "zsize=-2147483648\n", {INT_MIN, 0, 2000000000, INT_MAX}, INT_MAX, INT_MIN, "2147483647",
         "-2147483648", twiceTheDesktop},
        // Read as empty and never written; a start that waits on the FIFO ends by the alarm.
        {kFifo, nullptr, {0, 0, 0, 0}, 0, 15, "", "", first},
        {kDevice, nullptr, {0, 0, 0, 0}, 0, 15, "", "", first},
        {kHuge, "taitolbar=2\n", {0, 0, 0, 0}, 0, 15, "", "", first},
    };
    // clang-format on
    alarm(30);
    for (const auto& [kind, keys, rect, frameMode, divisor, mode, storedDivisor, outer] : files) {
        SCOPED_TRACE(keys ? keys : "no keys");
        const QByteArray path = QFile::encodeName(bootSettingsPath());
        QFile::remove(bootSettingsPath());
        if (keys) writeSettingsFile(keys);
        const int made = kind == kFifo     ? mkfifo(path.constData(), 0600)
                         : kind == kDevice ? symlink("/dev/zero", path.constData())
                         : kind == kHuge   ? truncate(path.constData(), 2 << 20)
                                           : 0;
        ASSERT_EQ(made, 0);
        const BootRect r = readBootRect();
        EXPECT_EQ(QList<int>({r.left, r.top, r.right, r.bottom}), rect);
        Application program;
        ASSERT_TRUE(program.initApplication());
        MainView& view = *program.view();
        const ProgramState& state = program.programState();
        EXPECT_TRUE(view.isVisible() && &viewSurface(state.view) == &view.framebuffer());
        EXPECT_EQ(std::tuple(state.window.frameMode, state.view.depthDivisor, view.frameGeometry()),
                  std::tuple(frameMode, divisor, outer));
        EXPECT_EQ(QSize(state.view.viewWidth, view.framebuffer().width()),
                  QSize(view.width(), view.width()));
        if (kind != kKeys) continue;
        EXPECT_EQ(std::pair(stored("taitolbar"), stored("zsize")), std::pair(mode, storedDivisor));
        EXPECT_EQ(storedRect(), outer) << "opened so next time";
    }
    alarm(0);
    EXPECT_EQ(QFileInfo(bootSettingsPath()).size(), 2 << 20) << "never written";
    QFile::remove(bootSettingsPath());
}

// Delivers a mouse event the way the window system would.
void mouse(QWidget& view, QEvent::Type type, QPointF at, Qt::MouseButton button,
           Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = {}) {
    QMouseEvent event(type, at, view.mapToGlobal(at), button, buttons, keys);
    QCoreApplication::sendEvent(&view, &event);
}

using ApplicationTest = AppTest;

TEST_F(ApplicationTest, TheCornerSquareSwitchesStereoAPlainLeftDragTurnsTheScene) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    const View& shown = program.programState().view;
    using E = QEvent;
    const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, None = Qt::NoButton;
    // Event, where, button, buttons held, keys; then stereo, dragging, last position.
    const std::tuple<E::Type, QPointF, Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers,
                     int, int, QPoint>
        events[] = {
            {E::MouseButtonPress, {20, 20}, L, L, {}, 1, 1, {20, 20}},
            {E::MouseButtonPress, {20.7, 0.2}, L, L, {}, 0, 1, {20, 0}},  // still pixel 20
            {E::MouseButtonPress, {21, 0}, L, L, {}, 0, 1, {21, 0}},
            {E::MouseButtonPress, {0, 21}, L, L, {}, 0, 1, {0, 21}},
            {E::MouseButtonRelease, {0, 21}, R, L, {}, 0, 1, {0, 21}},
            {E::MouseButtonPress, {5, 5}, R, R | L, {}, 0, 1, {0, 21}},  // shows the panel
            // With Shift or Ctrl or another button held, or none: the pointer just moves.
            {E::MouseMove, {30, 40}, None, L, Qt::ShiftModifier, 0, 1, {0, 21}},
            {E::MouseMove, {30, 40}, None, L, Qt::ControlModifier, 0, 1, {0, 21}},
            {E::MouseMove, {30, 40}, None, L | R, {}, 0, 1, {0, 21}},
            {E::MouseMove, {30, 40}, None, None, {}, 0, 1, {0, 21}},
            {E::MouseMove, {30, 40}, None, L, {}, 0, 1, {30, 40}},
            // The window that saw the press gets the release, also outside it.
            {E::MouseButtonRelease, {-40, 500}, L, None, {}, 0, 0, {30, 40}},
        };
    for (const auto& [type, at, button, buttons, keys, stereo, dragging, last] : events) {
        SCOPED_TRACE(::testing::Message() << type << " " << at.x() << "," << at.y());
        const float yaw = shown.yawAngle;
        view.framebuffer().setPixel(100, 100, kYellow);
        mouse(view, type, at, button, buttons, keys);
        EXPECT_EQ(
            std::tuple(shown.stereoOn, shown.dragging, QPoint(shown.lastMouseX, shown.lastMouseY)),
            std::tuple(stereo, dragging, last));
        EXPECT_EQ(shown.yawAngle != yaw, type == E::MouseMove && last.x() == 30);
        const bool corner =
            type == E::MouseButtonPress && button == L && at.x() < 21 && at.y() < 21;
        EXPECT_EQ(view.framebuffer().pixel(100, 100), corner ? 0u : kYellow) << "cleared";
    }
    QWidget* panel = view.findChild<ControlPanel*>();
    ASSERT_TRUE(panel && panel->isVisible());
    panel->showMinimized();
    mouse(view, E::MouseButtonPress, QPointF(5, 5), R, R);
    EXPECT_TRUE(panel->isVisible() && !panel->isMinimized()) << "back as it was";
}

TEST_F(ApplicationTest, FrameModesApplyOnceAtTheNextTickKeepTheOuterRectangleAndRedraw) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    ProgramState& state = program.programState();
    state.simulation.body(0) = Body{};
    state.simulation.params.bodyCount = 1;
    const QRect outer = view.frameGeometry();
    // Mode, then frameless, titled. Outside 0 to 2 the flags stay as they are.
    const std::tuple<int, bool, bool> modes[] = {
        {2, true, false}, {3, true, false}, {1, false, false}, {5, false, false}, {0, false, true}};
    for (const auto& [mode, frameless, titled] : modes) {
        SCOPED_TRACE(mode);
        view.framebuffer().setPixel(3, 3, kYellow);
        // Two Frame commands between two ticks: the last one counts.
        for (const int next : {1, mode}) {
            state.window.frameMode = next;
            state.window.frameModePending = 1;
            static_cast<PanelHost&>(program).writeFrameMode(next);
        }
        program.idleTick();
        EXPECT_EQ(std::tuple(state.window.frameModePending, stored("taitolbar"), view.isVisible(),
                             bool(view.windowFlags() & Qt::FramelessWindowHint),
                             bool(view.windowFlags() & Qt::WindowTitleHint)),
                  std::tuple(0, QString::number(mode), true, frameless, titled));
        EXPECT_EQ(std::tuple(view.frameGeometry(), storedRect(), view.size()),
                  std::tuple(outer, outer, QSize(state.view.viewWidth, state.view.viewHeight)));
        EXPECT_EQ(std::pair(view.framebuffer().pixel(3, 3),
                            view.framebuffer().pixel(state.view.centreX, state.view.centreY)),
                  std::pair(0u, kYellow));
        view.framebuffer().setPixel(3, 3, kYellow);
        program.idleTick();  // nothing left to apply: no redraw
        EXPECT_EQ(view.framebuffer().pixel(3, 3), kYellow);
    }
    view.showStepRate();  // the timer's title: bodies and steps of the past minute
    EXPECT_EQ(view.windowTitle(), QString::fromUtf8("Corvane  1個  10f/m"));
    EXPECT_EQ(state.simulation.frameCount, 0);
    state.window.saveRectOnExit = 0;
    view.resize(280, 150);
    EXPECT_EQ(std::pair(storedRect(), state.view.viewWidth), std::pair(outer, 280));
}

TEST_F(ApplicationTest, ClosingTheViewOrExitEndTheLoopBeforeAnotherStep) {
    // Closing stores the rectangle, unless saving it was stopped; Exit keeps the view.
    for (const int ending : {1, 0, -1}) {
        SCOPED_TRACE(ending);
        Application program;
        ASSERT_TRUE(program.initApplication());
        QPointer<MainView> view = program.view();
        ProgramState& state = program.programState();
        const QRect outer = view->frameGeometry();
        QFile::remove(bootSettingsPath());
        state.window.saveRectOnExit = ending == 1 ? 1 : 0;
        if (ending >= 0) QTimer::singleShot(0, view, [&] { view->close(); });
        if (ending < 0) static_cast<PanelHost&>(program).requestQuit();
        QObject guard;
        QTimer::singleShot(1000, &guard, [&] { program.requestQuit(); });
        EXPECT_EQ(program.run(), 0);
        // The galaxy stays the program's; the view no longer draws into a closed window.
        EXPECT_EQ(std::tuple(state.simulation.frameCount, view.isNull(),
                             state.view.surface == nullptr, state.simulation.table.exists()),
                  std::tuple(0, ending >= 0, ending >= 0, true));
        EXPECT_EQ(storedRect(), ending == 1 ? outer : QRect());
        viewSurface(state.view).setPixel(1, 1, kYellow);  // lands nowhere once the view is gone
    }
}

// The text of the message box that shows up while `action` runs, closed
// again; empty when none shows up.
QString messageDuring(const std::function<void()>& action) {
    QString text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->close();
        }
    });
    poll.start(10);
    action();
    MainLoop::handleQueuedEvents();
    return text;
}

void waitMs(int ms) {
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
}

// A scene file of `count` free stars, each resting at (1000 k, 0, 0).
QString writeScenario(const QTemporaryDir& dir, const char* name, int count) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return path;
    file.write("Corvane V9.0\r\n" + QByteArray::number(count) +
               "\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n" + QByteArray("\x8b\xcf\x93\x99") +
               "\r\n" + QByteArray("\x8b\x85") + "\r\n");
    for (int k = 1; k <= count; ++k)
        file.write(QByteArray::number(k * 1000) + ".000000,0.000000,0.000000,0,0,0,0\r\n");
    return path;
}

TEST(StartArguments, OneSceneFileAtMostAndNoOptionsOfItsOwn) {
    // Words, then the scene file and the error's start ("" none).
    const std::tuple<std::vector<const char*>, const char*, const char*> lines[] = {
        {{}, nullptr, ""},
        {{"a.cvn"}, "a.cvn", ""},
        {{"-"}, "-", ""},
        {{"--", "-b.cvn"}, "-b.cvn", ""},
        {{"--verbose"}, nullptr, "unknown option --verbose"},
        {{"a.cvn", "b.cvn"}, "a.cvn", "only one scene file"},
    };
    for (const auto& [words, file, error] : lines) {
        std::vector<const char*> argv{"corvane"};
        argv.insert(argv.end(), words.begin(), words.end());
        const StartArguments parsed =
            parseStartArguments(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(parsed.scenarioPath.value_or("<none>"), file ? file : "<none>") << words.size();
        EXPECT_EQ(parsed.error.substr(0, std::strlen(error)), error);
        EXPECT_EQ(parsed.error.empty(), *error == '\0');
    }
}

TEST_F(ApplicationTest, ASceneFromTheCommandLineOrADropOpensAsTheOpenCommandDoes) {
    QTemporaryDir dir;
    const QString scene = writeScenario(dir, "five.cvn", 5),
                  upper = writeScenario(dir, "TEN.CVN", 10);
    const QString missing = dir.filePath("missing.cvn");
    const QString failed = QString::fromUtf8("シーンを読み込めませんでした。");
    // Start-up: the file's bodies, or the default galaxy and the message.
    for (const auto& [path, bodies, message] :
         {std::tuple(scene, 5, QString()), std::tuple(missing, 30, failed)}) {
        Application program;
        ASSERT_TRUE(program.initApplication(QFile::encodeName(path).toStdString()));
        const QString shown = messageDuring([] {});
        EXPECT_EQ(std::pair(program.programState().simulation.params.bodyCount,
                            shown.section(u'\n', 0, 0)),
                  std::pair(bodies, message));
        EXPECT_EQ(program.programState().scenarioPath, QFile::encodeName(path).toStdString())
            << "saved there next";
    }
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    const SimParams& params = program.programState().simulation.params;
    // Dropped: one local *.cvn in any case is taken, anything else refused.
    const std::tuple<QList<QUrl>, bool, int, QString> drops[] = {
        {{QUrl::fromLocalFile(scene)}, true, 5, QString()},
        {{QUrl::fromLocalFile(upper)}, true, 10, QString()},
        {{QUrl::fromLocalFile(dir.filePath("notes.txt"))}, false, 10, QString()},
        {{QUrl::fromLocalFile(scene), QUrl::fromLocalFile(upper)}, false, 10, QString()},
        {{QUrl("https://example.org/five.cvn")}, false, 10, QString()},
        {{}, false, 10, QString()},
        {{QUrl::fromLocalFile(missing)}, true, 10, failed},
    };
    for (const auto& [urls, taken, bodies, message] : drops) {
        SCOPED_TRACE(urls.isEmpty() ? QString("none").toStdString()
                                    : urls.first().toString().toStdString());
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        const QString shown = messageDuring([&] { QCoreApplication::sendEvent(&view, &drop); });
        EXPECT_EQ(std::tuple(enter.isAccepted(), drop.isAccepted(), params.bodyCount,
                             shown.section(u'\n', 0, 0)),
                  std::tuple(taken, taken, bodies, message));
    }
}

TEST_F(ApplicationTest, APauseHoldsEveryBitTheDotTakesOneStepADragStillTurns) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    ProgramState& state = program.programState();
    const Simulation& sim = state.simulation;
    program.idleTick();
    program.togglePause();
    EXPECT_TRUE(view.windowTitle().endsWith(QString::fromUtf8("  一時停止中")));
    const Simulation held = sim;
    QObject guard;
    int wakes = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++wakes; });
    tick.start(20);
    QTimer::singleShot(300, &guard, [&] { program.loop().requestQuit(); });
    program.run();
    EXPECT_EQ(firstDifference(held, sim), "") << "a paused loop stepped";
    EXPECT_GE(wakes, 5) << "events are still served";
    // "." is one step exactly: the same as one step taken by hand from the held state.
    program.stepOnce();
    EXPECT_NE(firstDifference(held, sim), "");
    Simulation byHand = held;
    MemorySurface elsewhere;
    View aside = state.view;
    aside.surface = &elsewhere;
    stepSimulation(byHand, aside);
    EXPECT_EQ(firstDifference(byHand, sim), "");
    EXPECT_EQ(sim.frameCount, held.frameCount + 1) << "only steps taken count";
    // A drag while paused turns the bodies and shows every one of them.
    view.framebuffer().fillBlack();
    mouse(view, QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, {340, 320}, Qt::NoButton, Qt::LeftButton);
    mouse(view, QEvent::MouseButtonRelease, {340, 320}, Qt::LeftButton, Qt::NoButton);
    QImage shown = view.framebuffer().image();
    redrawAll(sim, state.view, view.framebuffer());
    EXPECT_TRUE(state.view.yawAngle != 0.0f && shown == view.framebuffer().image());
    program.togglePause();
    program.idleTick();
    EXPECT_EQ(std::pair(view.windowTitle(), sim.frameCount),
              std::pair(QString("Corvane"), held.frameCount + 2));
}

TEST_F(ApplicationTest, AScreenshotIsTheViewsPictureAndAFailureIsTold) {
    QTemporaryDir dir;
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    for (int k = 0; k < 50; ++k) program.idleTick();
    const ProgramState& state = program.programState();
    const std::string path = program.saveScreenshot(dir.filePath("Pictures"));
    const QString name = QFileInfo(QFile::decodeName(path.c_str())).fileName();
    EXPECT_TRUE(QRegularExpression("^corvane-[0-9]{8}-[0-9]{6}\\.png$").match(name).hasMatch())
        << name.toStdString();
    redrawAll(state.simulation, state.view, view.framebuffer());
    EXPECT_EQ(QImage(QFile::decodeName(path.c_str())), view.framebuffer().image());
    // Pictures within one second are numbered, never replaced.
    const std::string second = program.saveScreenshot(dir.filePath("Pictures"));
    const std::string third = program.saveScreenshot(dir.filePath("Pictures"));
    EXPECT_TRUE(path != second && second != third && path != third) << second << " " << third;
    EXPECT_EQ(QDir(dir.filePath("Pictures")).entryList(QDir::Files).size(), 3);
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    std::string failedPath = "?";
    const QString shown =
        messageDuring([&] { failedPath = program.saveScreenshot(dir.filePath("file/Pictures")); });
    EXPECT_EQ(std::pair(shown.section(u'\n', 0, 0), failedPath),
              std::pair(QString::fromUtf8("画像を保存できませんでした。"), std::string()));
}

// Frames and frames per second of a video, as libavformat reads them.
std::pair<std::int64_t, double> videoFrames(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return {-1, 0};
    avformat_find_stream_info(format, nullptr);
    const AVStream* stream = format->streams[0];
    const std::pair facts(stream->nb_frames, av_q2d(stream->avg_frame_rate));
    avformat_close_input(&format);
    return facts;
}

// Steps further apart than a frame's 1/30 s are each a frame; closer ones are
// not all frames, but the last step is always the video's last frame; a
// skipped step is none.
TEST_F(ApplicationTest, RecordingFilmsStepsAtMost30ASecondAndANewSizeEndsTheVideo) {
    QTemporaryDir dir;
    const QString videos = dir.filePath("Videos");
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    program.toggleRecording(videos);
    ASSERT_TRUE(view.recording());
    EXPECT_TRUE(view.windowTitle().endsWith(QString::fromUtf8("  ● REC")));
    for (int k = 0; k < 3; ++k) {
        waitMs(40);
        program.idleTick();
    }
    waitMs(40);
    program.programState().simulation.skipFrame = 1;
    program.idleTick();
    program.togglePause();
    for (int k = 0; k < 4; ++k) {
        waitMs(40);
        program.stepOnce();
    }
    program.stepOnce();  // too soon for a frame of its own: the video's last
    EXPECT_EQ(view.windowTitle(), QString::fromUtf8("Corvane  一時停止中  ● REC"));
    // The title gives up "● REC" only once the video stands under its name.
    QStringList videosWhenTitled{"<title unchanged>"};
    const auto titled = QObject::connect(&view, &QWidget::windowTitleChanged, [&] {
        videosWhenTitled = QDir(videos).entryList({"corvane-*.mp4"}, QDir::Files);
    });
    program.toggleRecording(videos);
    QObject::disconnect(titled);
    EXPECT_EQ(videosWhenTitled.size(), 1) << videosWhenTitled.join(' ').toStdString();
    view.resize(view.width() + 10, view.height());  // no recording to end
    program.toggleRecording(videos + "/second");
    const int burst = 300;
    for (int k = 0; k < burst; ++k) program.stepOnce();
    view.resize(view.width() - 10, view.height());
    EXPECT_FALSE(view.recording());
    const auto framesIn = [](const QString& folder) {
        const QStringList files = QDir(folder).entryList({"corvane-*.mp4"}, QDir::Files);
        if (files.size() != 1) return std::pair<std::int64_t, double>(-files.size(), 0);
        return videoFrames(QFile::encodeName(QDir(folder).filePath(files.first())).toStdString());
    };
    EXPECT_EQ(framesIn(videos), std::pair(std::int64_t{8}, 30.0));
    const auto [burstFrames, fps] = framesIn(videos + "/second");
    EXPECT_TRUE(burstFrames >= 1 && burstFrames < burst && fps == 30.0) << burstFrames;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const QString shown =
        messageDuring([&] { program.toggleRecording(dir.filePath("file/Videos")); });
    EXPECT_EQ(std::pair(shown.section(u'\n', 0, 0), view.recording()),
              std::pair(QString::fromUtf8("録画を始められませんでした。"), false));
}

TEST_F(ApplicationTest, FullScreenAndBackKeepsTheOuterRectangleStored) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    QPointer<MainView> view = program.view();
    const QRect outer = view->frameGeometry();
    ASSERT_EQ(storedRect(), outer);
    view->toggleFullScreen();
    MainLoop::handleQueuedEvents();
    EXPECT_TRUE(view->isFullScreen() && view->size() != outer.size());
    EXPECT_EQ(storedRect(), outer) << "the full-screen rectangle was stored";
    view->toggleFullScreen();
    waitMs(400);
    EXPECT_EQ(std::pair(view->frameGeometry(), storedRect()), std::pair(outer, outer));
    view->toggleFullScreen();
    MainLoop::handleQueuedEvents();
    view->close();
    MainLoop::handleQueuedEvents();
    EXPECT_EQ(storedRect(), outer) << "closed in full screen";
}

TEST(MainLoop, WhatIsQueuedOrDueIsHandledBeforeTheNextStep) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point firedAt{};
    QTimer::singleShot(5, Qt::PreciseTimer, [&] { firedAt = Clock::now(); });
    int steps = 0, handled = 0;
    MainLoop loop([&] {
        EXPECT_EQ(handled, steps++ > 0 ? 1 : 0);
        if (steps == 1)
            QMetaObject::invokeMethod(
                qApp, [&] { ++handled; }, Qt::QueuedConnection);
        if (firedAt != Clock::time_point{} || Clock::now() - start > std::chrono::seconds(5))
            loop.requestQuit();
    });
    EXPECT_EQ(loop.run(), 0);
    // Many steps run between two looks at the window system, but a due timer is served soon.
    ASSERT_NE(firedAt, Clock::time_point{}) << "the timer was never served";
    EXPECT_LT(firedAt - start, std::chrono::milliseconds(500));
}

TEST(QtJapanese, QtsOwnButtonsReadInJapanese) {
    ASSERT_TRUE(installQtJapanese());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("キャンセル"));
}

TEST(FramebufferSurface, ACountdownIsShownBlackOnWhiteAtMostOnceADisplayFrame) {
    FramebufferSurface surface;
    surface.resize(200, 100);
    int shown = 0;
    surface.setPresenter([&] { ++shown; });
    for (int n = 999; n >= 0; --n) surface.drawText(" " + std::to_string(n) + " \u3000");
    EXPECT_TRUE(shown >= 1 && shown < 100) << shown;  // a thousand texts in far less than 1.6 s
    EXPECT_EQ(surface.pixel(0, 0), 0xFFFFFFu) << "black on white";
}

TEST(FramebufferSurface, PixelsAreClippedAndASizeThatCannotBeAllocatedDrawsNothing) {
    FramebufferSurface surface;
    // Empty, rows beyond the toolkit's int arithmetic, a gigapixel, the largest ints.
    for (const QSize size :
         {QSize(0, 5), QSize(100000000, 2), QSize(20000, 20000), QSize(INT_MAX, INT_MAX)}) {
        surface.resize(size.width(), size.height());
        EXPECT_EQ(QSize(surface.width(), surface.height()), QSize(0, 0)) << size.width();
        surface.setPixel(5, 1, kStarColour);
        surface.fillBlack();
        surface.drawText("10");
    }
    surface.resize(4, 3);
    for (const QPoint p : {QPoint(-1, 0), QPoint(4, 0), QPoint(0, 3), QPoint(0, -1), QPoint(3, 2)})
        surface.setPixel(p.x(), p.y(), 0xA0B0C0);
    EXPECT_EQ(std::tuple(surface.image().pixel(3, 2), surface.pixel(3, 2), surface.pixel(0, 1)),
              std::tuple(qRgb(0xC0, 0xB0, 0xA0), 0xA0B0C0u, 0u));
}

}  // namespace
}  // namespace corvane

// In Qt's test mode under a temporary home folder, the boot-settings file the
// tests write is never the user's, nor another run's.
int main(int argc, char** argv) {
    // Discovery runs the binary without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid() || !qputenv("HOME", home.path().toLocal8Bit())) return 1;
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    if (!corvane::bootSettingsPath().startsWith(home.path() + u'/')) return 1;
    return RUN_ALL_TESTS();
}
