#pragma once
// The desktop program: start-up, the main loop and what the control panel
// asks of the program around it.

#include <QPointer>
#include <string>

#include "app/main_loop.h"
#include "app/main_view.h"
#include "panel/panel_host.h"

namespace corvane {

class Application final : public PanelHost {
  public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Settings, body table, window, frame, timer, panel and the first
    // galaxy, in that order. False when the body table cannot be obtained:
    // nothing else is created then.
    bool initApplication();

    // Runs the main loop until the program ends; the exit status.
    int run() { return loop_.run(); }

    // A pending frame-mode change, then one simulation step.
    void idleTick();

    // The main view; null once it is destroyed.
    MainView* view() const { return view_; }
    MainLoop& loop() { return loop_; }

    void setViewTitle(const std::string& titleUtf8) override;
    void writeFrameMode(int mode) override;
    void requestQuit() override { loop_.requestQuit(); }

  private:
    MainLoop loop_;
    // The view deletes itself when it is closed.
    QPointer<MainView> view_;
};

}  // namespace corvane
