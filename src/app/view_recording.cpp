#include "app/view_recording.h"

#include "media/io_error.h"

namespace corvane {

ViewRecording::ViewRecording(FramebufferSurface& screen, const Simulation& sim, const View& view,
                             const std::string& path)
    : screen_(screen), sim_(sim), view_(view), copy_(screen.width(), screen.height()), path_(path) {
    if (copy_.width() == 0 || copy_.height() == 0) {
        throw IoError("cannot write " + path + ": the view has no picture");
    }
    media::RecordTargets targets;
    targets.video = path;
    targets.fps = media::kWindowRecordFps;
    recorder_ = std::make_unique<media::FrameRecorder>(targets, copy_.width(), copy_.height());
    redrawAll(sim_, view_, copy_);
}

void ViewRecording::setPixel(int x, int y, Colour colour) {
    screen_.setPixel(x, y, colour);
    copy_.setPixel(x, y, colour);
}

void ViewRecording::fillBlack() {
    screen_.fillBlack();
    copy_.fillBlack();
}

void ViewRecording::drawText(std::string_view utf8) {
    // A text is shown on the screen only: the video keeps the bodies.
    screen_.drawText(utf8);
}

void ViewRecording::addStep() {
    if (pacer_.due(media::FramePacer::Clock::now())) recorder_->add(copy_);
}

void ViewRecording::redraw() {
    redrawAll(sim_, view_, copy_);
}

void ViewRecording::finish() {
    // The video ends on the picture the window showed last, also when that
    // step came too soon after a frame (a quick '.' while paused).
    if (pacer_.lastStepUnfilmed()) recorder_->add(copy_);
    recorder_->finish();
}

}  // namespace corvane
