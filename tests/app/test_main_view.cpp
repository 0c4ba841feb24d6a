// The main view's events: pointer, timer title, resize, close and frame
// modes, and the framebuffer that is its screen.
#include <QPointer>

#include "app/main_loop.h"
#include "app/main_view.h"
#include "app/qt_japanese.h"
#include "app_fixture.h"
#include "sim/params.h"

namespace corvane::testing {
namespace {

constexpr Colour kYellow = 0x00FFFF;

class MainViewTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        view = new MainView([this] { ++quitRequests; });
        setViewSurface(&view->framebuffer());
        view->resize(320, 240);
        view->show();
    }
    void TearDown() override {
        delete view.data();
        AppTest::TearDown();
    }

    void press(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        sendMouse(*view, QEvent::MouseButtonPress, at, button, button);
    }
    void moveWith(QPointF to, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
        sendMouse(*view, QEvent::MouseMove, to, Qt::NoButton, buttons, modifiers);
    }

    QPointer<MainView> view;
    int quitRequests = 0;
};

TEST_F(MainViewTest, PressInTheCornerSquareSwitchesStereoAndClearsTheView) {
    view->framebuffer().setPixel(100, 100, kYellow);
    press(QPointF(20, 20));
    EXPECT_EQ(gView.stereoOn, 1);
    EXPECT_EQ(view->framebuffer().pixel(100, 100), 0u);
    EXPECT_EQ(gRun.dragging, 1);
    EXPECT_EQ(gView.lastMouseX, 20);
    EXPECT_EQ(gView.lastMouseY, 20);

    // A fraction inside pixel 20 is still the corner.
    press(QPointF(20.7, 0.2));
    EXPECT_EQ(gView.stereoOn, 0);
    EXPECT_EQ(gView.lastMouseX, 20);
}

TEST_F(MainViewTest, PressOutsideTheCornerStartsADragOnly) {
    view->framebuffer().setPixel(100, 100, kYellow);
    for (const QPointF at : {QPointF(21, 0), QPointF(0, 21)}) {
        gRun.dragging = 0;
        press(at);
        EXPECT_EQ(gView.stereoOn, 0);
        EXPECT_EQ(gRun.dragging, 1);
        EXPECT_EQ(gView.lastMouseX, static_cast<int>(at.x()));
        EXPECT_EQ(gView.lastMouseY, static_cast<int>(at.y()));
    }
    EXPECT_EQ(view->framebuffer().pixel(100, 100), kYellow);
}

TEST_F(MainViewTest, LeftReleaseEndsTheDragOtherButtonsDoNot) {
    press(QPointF(50, 50));
    sendMouse(*view, QEvent::MouseButtonRelease, QPointF(50, 50), Qt::RightButton, Qt::LeftButton);
    EXPECT_EQ(gRun.dragging, 1);
    // Outside the window: the release still reaches the window that saw the press.
    sendMouse(*view, QEvent::MouseButtonRelease, QPointF(-40, 500), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(gRun.dragging, 0);
}

TEST_F(MainViewTest, OnlyAPlainLeftDragTurnsTheScene) {
    press(QPointF(10, 10));
    moveWith(QPointF(30, 10), Qt::LeftButton, Qt::ShiftModifier);
    moveWith(QPointF(30, 10), Qt::LeftButton, Qt::ControlModifier);
    moveWith(QPointF(30, 10), Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    moveWith(QPointF(30, 10), Qt::LeftButton | Qt::MiddleButton, Qt::NoModifier);
    moveWith(QPointF(30, 10), Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(gView.yawAngle, 0.0f);
    EXPECT_EQ(gView.lastMouseX, 10);

    moveWith(QPointF(30, 14), Qt::LeftButton, Qt::NoModifier);
    EXPECT_NE(gView.yawAngle, 0.0f);
    EXPECT_NE(gView.pitchAngle, 0.0f);
    EXPECT_EQ(gView.lastMouseX, 30);
    EXPECT_EQ(gView.lastMouseY, 14);
}

TEST_F(MainViewTest, RightPressShowsTheControlPanel) {
    press(QPointF(5, 5), Qt::RightButton);  // no panel: nothing happens
    EXPECT_EQ(gRun.dragging, 0);

    auto* panel = new QWidget(view, Qt::Tool);
    view->setControlPanel(panel);
    press(QPointF(5, 5), Qt::RightButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(gRun.dragging, 0);
    EXPECT_EQ(gView.stereoOn, 0);

    // Minimised by the desktop: back as it was.
    panel->showMinimized();
    ASSERT_TRUE(panel->isMinimized());
    press(QPointF(5, 5), Qt::RightButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isMinimized());
}

TEST_F(MainViewTest, TimerTitleShowsBodiesAndStepsOfThePastMinute) {
    gParams.bodyCount = 30;
    gRun.frameCount = 1800;
    view->showStepRate();
    EXPECT_EQ(view->windowTitle(), QString::fromUtf8("Corvane  30個  1800f/m"));
    EXPECT_EQ(gRun.frameCount, 0);
}

TEST_F(MainViewTest, ResizeRecomputesGeometryRedrawsAndStoresTheRectangle) {
    body(0) = Body{};
    gParams.bodyCount = 1;
    view->resize(301, 199);
    EXPECT_EQ(gView.viewWidth, 301);
    EXPECT_EQ(gView.viewHeight, 199);
    EXPECT_EQ(gView.centreX, 150);
    EXPECT_EQ(gView.centreY, 99);
    EXPECT_EQ(view->framebuffer().width(), 301);
    EXPECT_EQ(view->framebuffer().pixel(150, 99), kYellow);
    const QRect written = storedRect();
    EXPECT_EQ(written, view->frameGeometry());

    gRun.saveRectOnExit = 0;
    view->resize(280, 150);
    EXPECT_EQ(gView.viewWidth, 280);
    EXPECT_EQ(storedRect(), written);
}

TEST_F(MainViewTest, ClosingStoresTheRectangleOnceAndEndsTheProgram) {
    view->resize(333, 222);
    QFile::remove(bootSettingsPath());
    const QRect outer = view->frameGeometry();
    view->close();
    EXPECT_EQ(storedRect(), outer);
    EXPECT_EQ(gRun.saveRectOnExit, 0);

    MainLoop::handleQueuedEvents();
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(quitRequests, 1);
    EXPECT_EQ(gBodyTable.bodies, nullptr);
    // Drawing after the window is gone lands nowhere.
    viewSurface().setPixel(1, 1, kYellow);
}

TEST_F(MainViewTest, ClosingAfterSavingStoppedWritesNothing) {
    QFile::remove(bootSettingsPath());
    gRun.saveRectOnExit = 0;
    view->close();
    EXPECT_FALSE(QFile::exists(bootSettingsPath()));
}

TEST_F(MainViewTest, FrameModeKeepsTheOuterRectangle) {
    gRun.frameMode = 0;
    view->applyFrameMode();
    const QRect outer = view->frameGeometry();
    const QSize framedClient = view->size();

    gRun.frameMode = 2;
    view->applyFrameMode();
    EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->frameGeometry(), outer);
    EXPECT_GE(view->width(), framedClient.width());
    EXPECT_EQ(gView.viewWidth, view->width());
    EXPECT_EQ(storedRect(), outer);

    gRun.frameMode = 1;
    view->applyFrameMode();
    EXPECT_FALSE(view->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(view->windowFlags() & Qt::WindowTitleHint);
    EXPECT_EQ(view->frameGeometry(), outer);

    // Outside 0 to 2 the flags stay as they are.
    const Qt::WindowFlags before = view->windowFlags();
    gRun.frameMode = 3;
    view->applyFrameMode();
    EXPECT_EQ(view->windowFlags(), before);
    EXPECT_EQ(view->frameGeometry(), outer);
}

TEST_F(MainViewTest, FrameModeRedrawsEveryBody) {
    body(0) = Body{};
    gParams.bodyCount = 1;
    view->framebuffer().fillBlack();
    view->framebuffer().setPixel(3, 3, kYellow);
    gRun.frameMode = 5;
    view->applyFrameMode();
    EXPECT_EQ(view->framebuffer().pixel(3, 3), 0u);
    EXPECT_EQ(view->framebuffer().pixel(gView.centreX, gView.centreY), kYellow);
}

TEST(QtJapanese, QtsOwnButtonsAndQuestionsReadInJapanese) {
    ASSERT_TRUE(installQtJapanese());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    EXPECT_TRUE(
        QCoreApplication::translate("QPlatformTheme", "&Yes").startsWith(QStringLiteral("はい")));
    EXPECT_NE(QCoreApplication::translate("QFileDialog",
                                          "%1 already exists.\nDo you want to replace it?"),
              QStringLiteral("%1 already exists.\nDo you want to replace it?"));
}

TEST(FramebufferSurface, PixelsAreTheColoursAskedForAndClipped) {
    FramebufferSurface surface;
    surface.resize(4, 3);
    surface.setPixel(0, 0, 0x00FFFF);
    surface.setPixel(3, 2, 0xA0B0C0);
    for (const QPoint outside : {QPoint(-1, 0), QPoint(4, 0), QPoint(0, 3), QPoint(0, -1)}) {
        surface.setPixel(outside.x(), outside.y(), 0xFFFFFF);
    }
    EXPECT_EQ(surface.image().pixel(0, 0), qRgb(255, 255, 0));
    EXPECT_EQ(surface.image().pixel(3, 2), qRgb(0xC0, 0xB0, 0xA0));
    EXPECT_EQ(surface.pixel(3, 2), 0xA0B0C0u);
    int lit = 0;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) lit += surface.pixel(x, y) != 0 ? 1 : 0;
    }
    EXPECT_EQ(lit, 2);

    surface.fillBlack();
    EXPECT_EQ(surface.pixel(0, 0), 0u);
    EXPECT_EQ(surface.pixel(3, 2), 0u);
}

TEST(FramebufferSurface, TextIsBlackOnWhiteInTheTopLeftCorner) {
    FramebufferSurface surface;
    surface.resize(200, 100);
    surface.setPixel(199, 99, 0x00FFFF);
    surface.drawText(" 42 \u3000");
    int white = 0;
    int black = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 30; ++x) {
            white += surface.pixel(x, y) == 0xFFFFFFu ? 1 : 0;
            black += surface.pixel(x, y) == 0u ? 1 : 0;
        }
    }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, 0);
    EXPECT_EQ(surface.pixel(199, 99), 0x00FFFFu);
    // Pixels set after the text still land.
    surface.setPixel(150, 80, 0xC0C0C0);
    EXPECT_EQ(surface.pixel(150, 80), 0xC0C0C0u);
}

TEST(FramebufferSurface, ACountdownIsShownAtMostOnceADisplayFrame) {
    FramebufferSurface surface;
    surface.resize(200, 100);
    int shown = 0;
    surface.setPresenter([&] { ++shown; });
    for (int n = 999; n >= 0; --n) surface.drawText(" " + std::to_string(n) + " \u3000");
    EXPECT_GE(shown, 1);
    EXPECT_LT(shown, 100);  // a thousand texts in far less than 1.6 s
}

TEST(FramebufferSurface, EmptySizeDropsEverything) {
    FramebufferSurface surface;
    surface.resize(0, 50);
    surface.setPixel(0, 0, 0x00FFFF);
    surface.fillBlack();
    surface.drawText("1");
    EXPECT_TRUE(surface.image().isNull());
}

}  // namespace
}  // namespace corvane::testing
