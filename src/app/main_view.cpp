#include "app/main_view.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <cmath>

#include "app/boot_settings.h"
#include "app/x11_desktop.h"
#include "media/io_error.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

constexpr qreal kFallbackRefreshHz = 60.0;
// A window manager answers a frame request within milliseconds; one that
// does not answer at all must not hold up the program.
constexpr std::chrono::milliseconds kFrameAnswerLimit{500};
// Longer than a window manager's move and frame change after a size change
// take (openbox: a few milliseconds), short enough to be stored before a
// user closes the window.
constexpr int kSettleMs = 250;

// The pixel under the pointer: a position inside pixel (20, 20) is that
// pixel, whatever the fraction a high-resolution pointer reports.
QPoint pixelAt(const QPointF& position) {
    return QPoint(static_cast<int>(std::floor(position.x())),
                  static_cast<int>(std::floor(position.y())));
}

// The frame around the client area as the window system reports it now;
// none before the window is shown.
QMargins frameOf(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    return QMargins(client.left() - outer.left(), client.top() - outer.top(),
                    outer.right() - client.right(), outer.bottom() - client.bottom());
}

}  // namespace

std::optional<Qt::WindowFlags> frameModeFlags(int mode) {
    switch (mode) {
        case 0:
            return Qt::WindowFlags(Qt::Window);
        // A customised window without the title hint. On X11 Qt asks the
        // window manager for no decorations at all then; applyFrameMode
        // replaces that by a border-only hint.
        case 1:
            return Qt::Window | Qt::CustomizeWindowHint;
        case 2:
            return Qt::Window | Qt::FramelessWindowHint;
        default:
            return std::nullopt;
    }
}

QString stepRateTitle(int bodyCount, int frameCount) {
    return QStringLiteral("Corvane  %1個  %2f/m").arg(bodyCount).arg(frameCount);
}

QString droppedScenarioFile(const QList<QUrl>& urls) {
    if (urls.size() != 1 || !urls.first().isLocalFile()) return QString();
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).suffix().compare(u"cvn", Qt::CaseInsensitive) == 0 ? path : QString();
}

MainView::MainView(ProgramState& state, std::function<void()> requestQuit)
    : state_(state), requestQuit_(std::move(requestQuit)) {
    setTitle(QStringLiteral("Corvane"));
    setAcceptDrops(true);
    // Every pixel comes from the framebuffer: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    titleTimer_.setInterval(kTitleIntervalMs);
    QObject::connect(&titleTimer_, &QTimer::timeout, this, [this] { showStepRate(); });
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(kSettleMs);
    QObject::connect(&settleTimer_, &QTimer::timeout, this, [this] {
        // Back from full screen once the window manager has put it back.
        if (leavingFullScreen_) {
            leavingFullScreen_ = false;
            fullScreen_ = false;
            // Where the window manager or the toolkit did not put it back.
            if (outerRect() != normalOuter_) setOuterRect(normalOuter_);
        }
        if (state_.window.saveRectOnExit == 1 && !fullScreen_ && outerRect() != storedRect_)
            storeOuterRect();
    });
    startPresenting();
    framebuffer_.setPresenter([this] {
        // Qt's backing store sends the picture to the X server itself: the
        // event loop need not run for it to reach the screen.
        if (isVisible()) repaint();
    });
}

MainView::~MainView() {
    titleTimer_.stop();
    presentTimer_.stop();
    settleTimer_.stop();
    state_.window.saveRectOnExit = 0;
    if (recording_) stopRecording();
    if (state_.view.surface == &framebuffer_) state_.view.surface = nullptr;
    if (requestQuit_) requestQuit_();
}

void MainView::startPresenting() {
    const QScreen* display = screen();
    const qreal hz =
        display && display->refreshRate() > 1.0 ? display->refreshRate() : kFallbackRefreshHz;
    // Rounded up: never more often than the display refreshes.
    presentTimer_.setInterval(static_cast<int>(std::ceil(1000.0 / hz)));
    QObject::connect(&presentTimer_, &QTimer::timeout, this, [this] {
        if (isVisible()) update();
    });
    presentTimer_.start();
}

void MainView::startTitleTimer() {
    titleTimer_.start();
}

void MainView::showStepRate() {
    setTitle(stepRateTitle(state_.simulation.params.bodyCount, state_.simulation.frameCount));
    state_.simulation.frameCount = 0;
}

void MainView::setTitle(const QString& title) {
    title_ = title;
    refreshTitle();
}

void MainView::setPaused(bool paused) {
    paused_ = paused;
    refreshTitle();
}

void MainView::refreshTitle() {
    QString shown = title_;
    if (paused_) shown += QStringLiteral("  一時停止中");
    if (recording_) shown += QStringLiteral("  ● REC");
    setWindowTitle(shown);
}

void MainView::toggleFullScreen() {
    if (!fullScreen_) {
        normalOuter_ = outerRect();
        fullScreen_ = true;
        leavingFullScreen_ = false;
        showFullScreen();
        // Without a window manager nobody sizes it: it covers its screen itself.
        if (x11::available() && !x11::windowManagerTellsFrames() && screen())
            setGeometry(screen()->geometry());
        return;
    }
    // Nothing is stored until the window is back and has settled.
    leavingFullScreen_ = true;
    showNormal();
    settleTimer_.start();
}

void MainView::startRecording(const std::string& path) {
    if (recording_) return;
    try {
        recording_ =
            std::make_unique<ViewRecording>(framebuffer_, state_.simulation, state_.view, path);
    } catch (const std::exception& e) {
        if (reportFailure_) reportFailure_("録画を始められませんでした。", path, e.what());
        return;
    }
    state_.view.surface = recording_.get();
    refreshTitle();
}

void MainView::stopRecording() {
    endRecording(true);
}

void MainView::endRecording(bool complete) {
    if (!recording_) return;
    std::unique_ptr<ViewRecording> ended = std::move(recording_);
    if (state_.view.surface == ended.get()) state_.view.surface = &framebuffer_;
    // The title says "● REC" until the video is complete under its name: a
    // loaded machine may take a while to encode the frames still queued.
    if (complete) {
        try {
            ended->finish();
        } catch (const std::exception& e) {
            refreshTitle();
            if (reportFailure_)
                reportFailure_("録画を保存できませんでした。", ended->path(), e.what());
            return;
        }
    }
    refreshTitle();  // an incomplete video's temporary file goes with it
}

void MainView::recordStep() {
    if (!recording_) return;
    try {
        recording_->addStep();
    } catch (const std::exception& e) {
        const std::string path = recording_->path();
        endRecording(false);
        if (reportFailure_) reportFailure_("録画を保存できませんでした。", path, e.what());
    }
}

void MainView::updateViewGeometry() {
    setViewGeometry(state_.view, width(), height());
}

QRect MainView::outerRect() const {
    if (testAttribute(Qt::WA_WState_Created)) {
        const QMargins frame = x11::frameExtents(winId()).value_or(frameOf(*this));
        if (const auto outer = x11::outerRect(winId(), frame)) return *outer;
    }
    return frameGeometry();
}

std::optional<QMargins> MainView::knownFrame() {
    if (!x11::available() || !x11::windowManagerTellsFrames()) return std::nullopt;
    if (isVisible()) return x11::frameOnceFramed(winId(), kFrameAnswerLimit);
    return x11::askFrameExtents(winId(), kFrameAnswerLimit);
}

void MainView::setOuterRect(const QRect& outer) {
    if (const auto frame = knownFrame()) {
        // The client area inside the frame the window manager will draw;
        // the frame then lies exactly on `outer`.
        const QRect client = outer.marginsRemoved(*frame);
        setGeometry(QRect(client.topLeft(), client.size().expandedTo(QSize(1, 1))));
        if (isVisible()) x11::placeFrame(winId(), outer, *frame, kFrameAnswerLimit);
        return;
    }
    // A top-level window's position is that of its frame. Moved first, so
    // the rectangle the resize stores is the final one.
    move(outer.topLeft());
    resize(outer.size().shrunkBy(frameOf(*this)).expandedTo(QSize(1, 1)));
}

void MainView::applyFrameMode() {
    const QRect outer = outerRect();
    // A window manager forgets that the panel belongs to the view while the
    // view is hidden for its new flags; shown anew, the panel is its again.
    const bool panelShown = panel_ && panel_->isVisible();
    if (const auto flags = frameModeFlags(state_.window.frameMode)) {
        // Changed flags hide the window: the window manager frames it anew
        // when it is shown again.
        setWindowFlags(*flags);
        if (state_.window.frameMode == 1) x11::setBorderOnlyDecorations(winId());
    }
    setOuterRect(outer);
    // It comes back without taking the focus.
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    // Where the frame was not known while hidden, Qt knows it now.
    setOuterRect(outer);
    if (panelShown) {
        panel_->hide();
        panel_->show();
    }
    // Laid out again even when the client size did not change, as after any
    // size change: geometry, every body, the stored rectangle.
    relayout();
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, framebuffer_.image());
}

void MainView::resizeEvent(QResizeEvent*) {
    relayout();
}

void MainView::relayout() {
    updateViewGeometry();
    framebuffer_.resize(width(), height());
    redrawAll(state_.simulation, state_.view, framebuffer_);
    if (recording_) {
        // A video keeps one size: a new one ends the recording.
        if (recording_->width() == framebuffer_.width() &&
            recording_->height() == framebuffer_.height()) {
            recording_->redraw();
        } else {
            stopRecording();
        }
    }
    if (state_.window.saveRectOnExit == 1) {
        if (!fullScreen_) storeOuterRect();
        settleTimer_.start();
    }
}

void MainView::storeOuterRect() {
    storedRect_ = outerRect();
    writeBootRect(storedRect_);
}

QRect MainView::rectToKeep() const {
    return fullScreen_ ? normalOuter_ : outerRect();
}

void MainView::closeEvent(QCloseEvent* event) {
    if (recording_) stopRecording();
    if (state_.window.saveRectOnExit == 1) writeBootRect(rectToKeep());
    state_.window.saveRectOnExit = 0;
    event->accept();
    // The owner's loop deletes the window before its next step: the
    // destructor ends the program.
    deleteLater();
}

void MainView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = pixelAt(event->position());
    if (event->button() == Qt::LeftButton) pressLeft(p.x(), p.y());
    if (event->button() == Qt::RightButton) showControlPanel();
}

void MainView::pressLeft(int x, int y) {
    View& view = state_.view;
    view.dragging = 1;
    view.lastMouseX = x;
    view.lastMouseY = y;
    if (x <= kStereoCornerLast && y <= kStereoCornerLast) {
        view.stereoOn = view.stereoOn == 0 ? 1 : 0;
        // The following steps plot every body in the new mode.
        framebuffer_.fillBlack();
    }
}

void MainView::showControlPanel() {
    if (!panel_) return;
    // Minimised by the desktop, it comes back as it was.
    panel_->setWindowState(panel_->windowState() & ~Qt::WindowMinimized);
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
}

void MainView::mouseReleaseEvent(QMouseEvent* event) {
    // The window that saw the press gets the release, also outside it.
    if (event->button() == Qt::LeftButton) state_.view.dragging = 0;
}

void MainView::mouseMoveEvent(QMouseEvent* event) {
    // Only a plain left drag turns the scene: with Shift or Ctrl, or with
    // another button held as well, the pointer just moves.
    if (event->buttons() != Qt::LeftButton) return;
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) return;
    const QPoint p = pixelAt(event->position());
    dragRotate(state_.simulation, state_.view, p.x(), p.y());
    // No step replots the bodies a turn erased: the turn redraws them.
    if (paused_) redrawAll(state_.simulation, state_.view, viewSurface(state_.view));
}

void MainView::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void MainView::dragMoveEvent(QDragMoveEvent* event) {
    // Refused, the pointer shows that nothing would happen.
    if (openScenario_ && !droppedScenarioFile(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainView::dropEvent(QDropEvent* event) {
    const QString path = droppedScenarioFile(event->mimeData()->urls());
    if (!openScenario_ || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Loaded once the drop has ended: a failure's message must not hold up
    // the program the file came from.
    QTimer::singleShot(0, this, [this, name = QFile::encodeName(path).toStdString()] {
        if (openScenario_) openScenario_(name);
    });
}

}  // namespace corvane
