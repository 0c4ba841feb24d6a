#pragma once
// The simulation window: shows the framebuffer the bodies are drawn into,
// keeps the view geometry and the saved rectangle current, turns the scene
// while the left button is dragged, switches the stereo pair from its
// top-left corner and opens the control panel on a right click. A scene
// file dropped on it is opened; it goes full screen and back, and records
// itself while asked to.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/framebuffer_surface.h"
#include "app/view_recording.h"
#include "panel/panel_host.h"

namespace corvane {

// The stereo switch: presses with x and y up to this value.
constexpr int kStereoCornerLast = 20;
constexpr int kTitleIntervalMs = 60000;

class MainView final : public QWidget {
  public:
    // Shows the galaxy of `state` in its view, and keeps the view's geometry
    // and the window's modes there. `requestQuit` is called once the view
    // is destroyed.
    MainView(ProgramState& state, std::function<void()> requestQuit);
    ~MainView() override;

    FramebufferSurface& framebuffer() { return framebuffer_; }

    // The window shown by a right click; none until the panel exists.
    void setControlPanel(QWidget* panel) { panel_ = panel; }

    // Gives the window the outer rectangle `outer`, frame included. Under a
    // window manager that tells its frame beforehand the frame is exactly
    // `outer`; otherwise as far as the frame is known at this moment.
    void setOuterRect(const QRect& outer);
    // The outer rectangle, frame included, as the window system has it now:
    // also right during a window manager's own move or maximise.
    QRect outerRect() const;

    // The window flags of the current frameMode, the same outer rectangle,
    // the client area laid out again and every body redrawn.
    void applyFrameMode();

    // viewWidth, viewHeight and the centre from the client size.
    void updateViewGeometry();

    // The per-minute title timer.
    void startTitleTimer();
    // Title "Corvane  <bodies>個  <steps>f/m"; the step count starts again.
    void showStepRate();
    // The title's text; while paused or recording, marks follow it.
    void setTitle(const QString& title);
    // Paused: the title says so, and a drag redraws every body it turns.
    void setPaused(bool paused);

    // Where a dropped scene file goes (the name's bytes).
    using ScenarioOpener = std::function<void(const std::string& path)>;
    void setScenarioOpener(ScenarioOpener opener) { openScenario_ = std::move(opener); }
    // How a failed picture or recording is told: what failed, the file, why.
    using FailureReporter =
        std::function<void(const char* what, const std::string& path, const std::string& reason)>;
    void setFailureReporter(FailureReporter report) { reportFailure_ = std::move(report); }

    // Full screen, or back to the outer rectangle it had before.
    void toggleFullScreen();
    bool fullScreen() const { return fullScreen_; }

    // Records the view into the H.264 video at `path` until stopped; the
    // title shows it. A file that cannot be made is reported.
    void startRecording(const std::string& path);
    // Completes the video; a failure is reported.
    void stopRecording();
    bool recording() const { return recording_ != nullptr; }
    // After a step: the view as it is now becomes the recording's next frame
    // when one is due (at most 30 a second).
    void recordStep();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void startPresenting();
    // The frame the window manager draws (shown) or will draw (hidden) with
    // the current flags; none without a window manager that tells it.
    std::optional<QMargins> knownFrame();
    // New geometry and framebuffer, every body redrawn, the rectangle stored
    // while saving is on.
    void relayout();
    void storeOuterRect();
    // The rectangle to keep: never the full-screen one.
    QRect rectToKeep() const;
    void refreshTitle();
    // Ends the recording: completed when `complete`, else discarded.
    void endRecording(bool complete);
    void pressLeft(int x, int y);
    void showControlPanel();

    ProgramState& state_;
    FramebufferSurface framebuffer_;
    QTimer titleTimer_;
    // Copies the framebuffer to the screen at the display's refresh rate,
    // never from a step: a step does not wait for the display.
    QTimer presentTimer_;
    // A window manager's own size change (maximising, say) can move the
    // window and change its frame just after the size: the rectangle is
    // stored again once that has settled.
    QTimer settleTimer_;
    QRect storedRect_;
    QPointer<QWidget> panel_;
    std::function<void()> requestQuit_;
    ScenarioOpener openScenario_;
    FailureReporter reportFailure_;
    QString title_;
    bool paused_ = false;
    bool fullScreen_ = false;
    bool leavingFullScreen_ = false;
    QRect normalOuter_;  // the outer rectangle before full screen
    std::unique_ptr<ViewRecording> recording_;
};

// The window flags of a frame mode: 0 framed with a title bar, 1 sizing
// border only, 2 no frame. Any other mode has none: the flags stay.
std::optional<Qt::WindowFlags> frameModeFlags(int mode);

// The title the timer shows.
QString stepRateTitle(int bodyCount, int frameCount);

// The scene file a drop of `urls` would open: exactly one local file named
// *.cvn (any case); empty for anything else.
QString droppedScenarioFile(const QList<QUrl>& urls);

}  // namespace corvane
