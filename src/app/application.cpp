#include "app/application.h"

#include <cstdint>
#include <ctime>

#include "app/boot_settings.h"
#include "app/main_view.h"
#include "app/x11_desktop.h"
#include "core/random.h"
#include "core/state.h"
#include "core/surface.h"
#include "panel/control_panel.h"
#include "render/plot.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/display.h"
#include "sim/initial.h"
#include "sim/step.h"

namespace corvane {
namespace {

// The hidden control panel, owned by `view`, made the selections the program
// reads its settings from. Returns the window a right click shows.
QWidget* createControlPanel(MainView& view, PanelHost& host) {
    auto* panel = new ControlPanel(&view, host);
    // The galaxy of the first Run is drawn from a generator seeded again here,
    // as start-up seeded it.
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    setPanelCombos(panel);
    // Without minimise and maximise under every window manager that knows
    // the type; Qt already made it transient for the view.
    x11::setToolWindowType(panel->winId());
    panel->hide();
    return panel;
}

}  // namespace

Application::Application() : loop_([this] { idleTick(); }) {}

Application::~Application() {
    delete view_.data();
}

bool Application::initApplication() {
    setBodyProjection(&plotBody);
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    const QRect start = startRect(readBootRect());
    gView.yawAngle = 0.0f;
    gView.pitchAngle = 0.0f;
    // The view's first resize already plots every body.
    if (!createBodyTable()) return false;
    gView.starColour = kStarColour;
    gRun.frameMode = readFrameModeSetting();

    view_ = new MainView([this] { requestQuit(); });
    setViewSurface(&view_->framebuffer());
    view_->setOuterRect(start);
    view_->show();
    // Only a shown window knows its frame: the outer size again with it.
    view_->setOuterRect(start);

    view_->applyFrameMode();
    view_->startTitleTimer();
    view_->updateViewGeometry();
    gView.depthDivisor = readDepthDivisorSetting();
    gView.stereoOn = 0;
    gView.starColour = kStarColour;
    view_->setControlPanel(createControlPanel(*view_, *this));
    // The built-in parameters first, then the galaxy of the panel's settings.
    resetGalaxy();
    runCommand();
    return true;
}

void Application::idleTick() {
    if (gRun.frameModePending == 1 && view_) {
        view_->applyFrameMode();
        gRun.frameModePending = 0;
        view_->updateViewGeometry();
    }
    stepSimulation();
}

void Application::setViewTitle(const std::string& titleUtf8) {
    if (view_) view_->setWindowTitle(QString::fromStdString(titleUtf8));
}

void Application::writeFrameMode(int mode) {
    writeFrameModeSetting(mode);
}

}  // namespace corvane
