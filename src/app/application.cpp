#include "app/application.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <cstdint>
#include <ctime>

#include "app/boot_settings.h"
#include "app/main_view.h"
#include "app/x11_desktop.h"
#include "media/io_error.h"
#include "media/surface_image.h"
#include "panel/control_panel.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

// The hidden control panel, owned by `view`: the selections the program
// reads its settings from. Returns the window a right click shows.
ControlPanel* createControlPanel(MainView& view, PanelHost& host) {
    auto* panel = new ControlPanel(&view, host);
    // The galaxy of the first Run is drawn from a generator seeded again here,
    // as start-up seeded it.
    seedRandom(host.programState().simulation.random,
               static_cast<std::uint32_t>(std::time(nullptr)));
    // Without minimise and maximise under every window manager that knows
    // the type; Qt already made it transient for the view.
    x11::setToolWindowType(panel->winId());
    panel->hide();
    return panel;
}

// The file corvane-YYYYMMDD-HHMMSS.`suffix` in `folder`, or in the user's
// folder of `location` when `folder` is empty; the folder is made when
// missing. A second picture or video in the same second is numbered
// (corvane-YYYYMMDD-HHMMSS-2.`suffix`, ...) rather than replacing the first.
// The name's bytes.
std::string timestampedFile(const QString& folder, QStandardPaths::StandardLocation location,
                            const char* suffix) {
    const QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(location) : folder;
    QDir().mkpath(dir);
    const QString stem = QDateTime::currentDateTime().toString(u"'corvane-'yyyyMMdd-HHmmss");
    const QString extension = u'.' + QString::fromLatin1(suffix);
    QString path = QDir(dir).filePath(stem + extension);
    for (int number = 2; QFileInfo::exists(path) && number < 1000; ++number) {
        path = QDir(dir).filePath(stem + u'-' + QString::number(number) + extension);
    }
    return QFile::encodeName(path).toStdString();
}

// The system's reason of a media writer's failure: its message without the
// "cannot write FILE: " that names the file again.
std::string reasonOf(const std::string& message, const std::string& path) {
    const std::string named = "cannot write " + path + ": ";
    return message.rfind(named, 0) == 0 ? message.substr(named.size()) : message;
}

}  // namespace

Application::Application() : loop_([this] { idleTick(); }) {}

Application::~Application() {
    delete view_.data();
}

bool Application::initApplication(const std::optional<std::string>& scenarioPath) {
    Simulation& sim = state_.simulation;
    View& view = state_.view;
    seedRandom(sim.random, static_cast<std::uint32_t>(std::time(nullptr)));
    const QRect start = startRect(readBootRect());
    view.yawAngle = 0.0f;
    view.pitchAngle = 0.0f;
    // The body table came with the simulation; without memory for it nothing
    // starts. The view's first resize already plots every body.
    if (!sim.table.exists()) return false;
    view.starColour = kStarColour;
    state_.window.frameMode = readFrameModeSetting();

    view_ = new MainView(state_, [this] { requestQuit(); });
    view.surface = &view_->framebuffer();
    view_->setOuterRect(start);
    view_->show();
    // Only a shown window knows its frame: the outer size again with it.
    view_->setOuterRect(start);

    view_->applyFrameMode();
    view_->startTitleTimer();
    view_->updateViewGeometry();
    view.depthDivisor = readDepthDivisorSetting();
    view.stereoOn = 0;
    view.starColour = kStarColour;
    panel_ = createControlPanel(*view_, *this);
    view_->setControlPanel(panel_);
    view_->setScenarioOpener([this](const std::string& path) {
        if (panel_) panel_->openScenarioFile(path);
    });
    view_->setFailureReporter(
        [this](const char* what, const std::string& path, const std::string& reason) {
            reportFailure(what, path, reason);
        });
    installKeys();
    // The built-in parameters first, then the galaxy of the panel's settings.
    resetGalaxy(sim, view);
    runCommand(sim, view, selectedTexts(*panel_));
    // Opened from the loop, as by the panel: a failure's message shows over
    // the window with the galaxy already made.
    if (scenarioPath) {
        QTimer::singleShot(0, panel_, [this, path = *scenarioPath] {
            if (panel_) panel_->openScenarioFile(path);
        });
    }
    return true;
}

void Application::installKeys() {
    const auto bind = [this](QKeySequence keys, auto action) {
        auto* shortcut = new QShortcut(keys, view_);
        shortcut->setAutoRepeat(keys == QKeySequence(kStepKey));
        QObject::connect(shortcut, &QShortcut::activated, view_, action);
    };
    bind(QKeySequence(kPauseKey), [this] { togglePause(); });
    bind(QKeySequence(kStepKey), [this] { stepOnce(); });
    bind(QKeySequence(Qt::Key_F12), [this] { saveScreenshot(); });
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { saveScreenshot(); });
    bind(QKeySequence(Qt::Key_F9), [this] { toggleRecording(); });
    bind(QKeySequence(Qt::Key_F11), [this] {
        if (view_) view_->toggleFullScreen();
    });
}

void Application::idleTick() {
    if (state_.window.frameModePending == 1 && view_) {
        view_->applyFrameMode();
        state_.window.frameModePending = 0;
        view_->updateViewGeometry();
    }
    if (!paused_) step();
}

void Application::step() {
    if (stepSimulation(state_.simulation, state_.view) && view_) view_->recordStep();
}

void Application::togglePause() {
    paused_ = !paused_;
    // Paused, the loop sleeps until an event comes.
    loop_.setWaitingForEvents(paused_);
    if (view_) view_->setPaused(paused_);
}

void Application::stepOnce() {
    if (paused_) step();
}

std::string Application::saveScreenshot(const QString& folder) {
    const std::string path = timestampedFile(folder, QStandardPaths::PicturesLocation, "png");
    try {
        media::writePng(media::viewPicture(state_.simulation, state_.view), path);
    } catch (const IoError& e) {
        reportFailure("画像を保存できませんでした。", path, e.what());
        return std::string();
    }
    return path;
}

void Application::toggleRecording(const QString& folder) {
    if (!view_) return;
    if (view_->recording()) {
        view_->stopRecording();
        return;
    }
    view_->startRecording(timestampedFile(folder, QStandardPaths::MoviesLocation, "mp4"));
}

void Application::reportFailure(const char* what, const std::string& path,
                                const std::string& reason) {
    if (panel_) panel_->reportFailure(what, path, reasonOf(reason, path));
}

void Application::setViewTitle(const std::string& titleUtf8) {
    if (view_) view_->setWindowTitle(QString::fromStdString(titleUtf8));
}

void Application::writeFrameMode(int mode) {
    writeFrameModeSetting(mode);
}

}  // namespace corvane
