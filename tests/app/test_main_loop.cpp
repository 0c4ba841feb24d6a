// The main loop's order: queued events before each step, a quit request
// before any further step, and the frame change of the idle turn.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <vector>

#include "app/application.h"
#include "app/main_loop.h"
#include "app_fixture.h"
#include "sim/params.h"

namespace corvane::testing {
namespace {

// Counts the events it receives and runs an action on each.
class Receiver final : public QObject {
  public:
    int handled = 0;
    std::function<void()> onEvent;

    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++handled;
        if (onEvent) onEvent();
        return true;
    }
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
};

TEST(MainLoop, QueuedEventsAreHandledBeforeEachStep) {
    Receiver receiver;
    std::vector<int> handledAtStep;
    MainLoop loop([&] {
        handledAtStep.push_back(receiver.handled);
        if (handledAtStep.size() == 1) {
            receiver.post();  // arrives while the step runs
            receiver.post();
        }
        if (handledAtStep.size() == 3) loop.requestQuit();
    });
    receiver.post();
    EXPECT_EQ(loop.run(), 0);
    EXPECT_EQ(handledAtStep, (std::vector<int>{1, 3, 3}));
}

TEST(MainLoop, ADueTimerFiresBeforeTheNextStep) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    std::vector<bool> firedAtStep;
    MainLoop loop([&] {
        firedAtStep.push_back(fired);
        loop.requestQuit();
    });
    loop.run();
    EXPECT_EQ(firedAtStep, std::vector<bool>{true});
}

// Between two looks at the window system's sources many steps may run, but
// a timer that falls due is still served within about a millisecond.
TEST(MainLoop, ATimerFiresSoonWhileStepsRun) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point firedAt{};
    QTimer::singleShot(5, Qt::PreciseTimer, [&] { firedAt = Clock::now(); });
    const Clock::time_point start = Clock::now();
    Clock::time_point lastStep = start;
    MainLoop loop([&] {
        lastStep = Clock::now();
        if (firedAt != Clock::time_point{} || lastStep - start > std::chrono::seconds(5))
            loop.requestQuit();
    });
    loop.run();
    ASSERT_NE(firedAt, Clock::time_point{});
    EXPECT_LT(firedAt - start, std::chrono::milliseconds(500));
}

TEST(MainLoop, AQuitRequestEndsTheLoopBeforeAnyFurtherStep) {
    Receiver receiver;
    int steps = 0;
    MainLoop loop([&] { ++steps; });
    receiver.onEvent = [&] { loop.requestQuit(); };
    receiver.post();
    EXPECT_EQ(loop.run(), 0);
    EXPECT_EQ(steps, 0);

    MainLoop stepsThenQuits([&] {
        if (++steps == 2) stepsThenQuits.requestQuit();
    });
    steps = 0;
    EXPECT_EQ(stepsThenQuits.run(), 0);
    EXPECT_EQ(steps, 2);
}

TEST(MainLoop, ObjectsDeletedLaterAreGoneBeforeTheNextStep) {
    QPointer<QObject> outsideHandlers = new QObject;
    outsideHandlers->deleteLater();
    Receiver receiver;
    QPointer<QObject> insideHandler = new QObject;
    receiver.onEvent = [&] { insideHandler->deleteLater(); };
    receiver.post();

    bool goneAtStep = false;
    MainLoop loop([&] {
        goneAtStep = outsideHandlers.isNull() && insideHandler.isNull();
        loop.requestQuit();
    });
    loop.run();
    EXPECT_TRUE(goneAtStep);
}

// Counts how often a window is shown again.
class ShowCounter final : public QObject {
  public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shows;
        return false;
    }
};

using ApplicationTest = AppTest;

TEST_F(ApplicationTest, StartUpShowsTheViewWithThePanelDefaults) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    ASSERT_NE(program.view(), nullptr);
    EXPECT_TRUE(program.view()->isVisible());
    EXPECT_EQ(program.view()->windowTitle(), "Corvane");
    EXPECT_EQ(&viewSurface(), &program.view()->framebuffer());
    EXPECT_EQ(gParams.bodyCount, 30);
    EXPECT_EQ(gView.viewWidth, program.view()->width());
    EXPECT_EQ(gView.stereoOn, 0);
    EXPECT_EQ(gRun.frameCount, 0);
}

TEST_F(ApplicationTest, FrameChangesBetweenTwoTicksApplyOnceWithTheLastMode) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    MainView& view = *program.view();
    ShowCounter counter;
    view.installEventFilter(&counter);

    // Two Frame commands handled back to back: 0 -> 1 -> 2.
    gRun.frameMode = 1;
    gRun.frameModePending = 1;
    gRun.frameMode = 2;
    gRun.frameModePending = 1;
    program.idleTick();
    EXPECT_EQ(counter.shows, 1);
    EXPECT_TRUE(view.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(gRun.frameModePending, 0);
    EXPECT_EQ(gRun.frameCount, 1);

    program.idleTick();
    EXPECT_EQ(counter.shows, 1);
    EXPECT_EQ(gRun.frameCount, 2);
}

TEST_F(ApplicationTest, ClosingTheViewEndsTheLoopWithoutAnotherStep) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    QPointer<MainView> view = program.view();
    const QRect outer = view->frameGeometry();
    QFile::remove(bootSettingsPath());
    QTimer::singleShot(0, view, [&] { view->close(); });

    EXPECT_EQ(program.run(), 0);
    EXPECT_EQ(gRun.frameCount, 0);
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(gBodyTable.bodies, nullptr);
    EXPECT_EQ(storedRect(), outer);
}

TEST_F(ApplicationTest, PanelHostSetsTheTitleStoresTheFrameModeAndQuits) {
    Application program;
    ASSERT_TRUE(program.initApplication());
    PanelHost& host = program;
    host.setViewTitle("Corvane  100個 ");
    EXPECT_EQ(program.view()->windowTitle(), QString::fromUtf8("Corvane  100個 "));
    host.writeFrameMode(2);
    EXPECT_EQ(stored("BootData/taitolbar"), "2");

    host.requestQuit();
    EXPECT_EQ(program.run(), 0);
    EXPECT_EQ(gRun.frameCount, 0);
}

}  // namespace
}  // namespace corvane::testing
