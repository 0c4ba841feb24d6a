#pragma once
// A recording of the main view: while it lasts, the simulation draws on the
// window's screen and on a copy in memory of the same size at once, and a step
// hands the copy to the companion's recorder as the next video frame whenever
// the video's clock has reached that frame (at most media::kWindowRecordFps a second).

#include <memory>
#include <string>

#include "app/framebuffer_surface.h"
#include "core/surface.h"
#include "media/frame_pacer.h"
#include "media/frame_recorder.h"
#include "sim/simulation.h"

namespace corvane {

class ViewRecording final : public DrawingSurface {
  public:
    // Opens the H.264 video at `path` for the screen's size and starts the
    // copy with every body drawn. Throws IoError when the file cannot be made.
    ViewRecording(FramebufferSurface& screen, const Simulation& sim, const View& view,
                  const std::string& path);

    void setPixel(int x, int y, Colour colour) override;
    void fillBlack() override;
    void drawText(std::string_view utf8) override;

    // After a step: the copy as it is now becomes the next frame when one is
    // due. Throws IoError once a write has failed.
    void addStep();
    // Every body drawn afresh on the copy, as the screen was.
    void redraw();
    // The last step as the last frame if it was not one, then writes the
    // queued frames and gives the video its name. Throws IoError.
    void finish();

    int width() const { return copy_.width(); }
    int height() const { return copy_.height(); }
    const std::string& path() const { return path_; }

  private:
    FramebufferSurface& screen_;
    const Simulation& sim_;
    const View& view_;
    MemorySurface copy_;
    std::string path_;
    std::unique_ptr<media::FrameRecorder> recorder_;
    media::FramePacer pacer_{media::kWindowRecordFps};
};

}  // namespace corvane
