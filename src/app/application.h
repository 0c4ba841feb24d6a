#pragma once
// The desktop program: start-up, the main loop and what the control panel
// asks of the program around it.

#include <QPointer>
#include <optional>
#include <string>

#include "app/main_loop.h"
#include "app/main_view.h"
#include "panel/panel_host.h"

namespace corvane {

class ControlPanel;

// The keys of the main view.
constexpr int kPauseKey = Qt::Key_Space;
constexpr int kStepKey = Qt::Key_Period;

class Application final : public PanelHost {
  public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Settings, window, frame, timer, panel and the first galaxy, in that
    // order; then the scene file `scenarioPath` is opened as the panel's
    // Open opens it, once the loop runs. False when there was no memory for
    // the body table: nothing is created then.
    bool initApplication(const std::optional<std::string>& scenarioPath = std::nullopt);

    // Runs the main loop until the program ends; the exit status.
    int run() { return loop_.run(); }

    // A pending frame-mode change, then one simulation step unless paused;
    // while recording, a step taken becomes the video's next frame when one
    // is due.
    void idleTick();

    // Space: no steps until pressed again; the title says so.
    void togglePause();
    bool paused() const { return paused_; }
    // ".": one step while paused.
    void stepOnce();
    // F12: the view's picture as corvane-YYYYMMDD-HHMMSS.png in `folder`
    // (the user's pictures folder when empty). The file's name, or empty
    // when it could not be written (the user is told why).
    std::string saveScreenshot(const QString& folder = QString());
    // F9: starts a recording into `folder` (the user's videos folder when
    // empty), or ends the one that runs.
    void toggleRecording(const QString& folder = QString());

    // The main view; null once it is destroyed.
    MainView* view() const { return view_; }
    MainLoop& loop() { return loop_; }

    ProgramState& programState() override { return state_; }
    void setViewTitle(const std::string& titleUtf8) override;
    void writeFrameMode(int mode) override;
    void requestQuit() override { loop_.requestQuit(); }

  private:
    void installKeys();
    // One step; a frame of the recording when it was taken and one is due.
    void step();
    void reportFailure(const char* what, const std::string& path, const std::string& reason);

    // The program's one galaxy, its view and window modes; the windows
    // below use it, so it is made before them and goes after them.
    ProgramState state_;
    MainLoop loop_;
    // The view deletes itself when it is closed.
    QPointer<MainView> view_;
    QPointer<ControlPanel> panel_;
    bool paused_ = false;
};

}  // namespace corvane
