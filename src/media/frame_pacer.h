#pragma once
// Which steps of a live recording become frames. A video of the window plays
// at its frames per second; a small galaxy takes hundreds of thousands of
// steps a second, which no encoder keeps up with, so a step becomes a frame
// only once the video's clock has reached the next frame's time. Slower than
// the video, every step is a frame; faster, the video shows what the window
// showed, at the speed it showed it.

#include <chrono>

namespace corvane::media {

// Frames per second of a recording of the window (and of the bench's rounds
// filmed as the window films).
constexpr int kWindowRecordFps = 30;

class FramePacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(int fps)
        : period_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double>(1.0 / fps))) {}

    // Whether a step that ended at `now` is the next frame. The first always
    // is; later ones keep to the grid of whole periods from the first, and a
    // step that came more than a period late restarts the grid, so a slow
    // stretch is never followed by a burst of frames.
    bool due(Clock::time_point now) {
        lastStepUnfilmed_ = started_ && now < next_;
        if (lastStepUnfilmed_) return false;
        next_ = started_ ? next_ + period_ : now + period_;
        if (next_ <= now) next_ = now + period_;
        started_ = true;
        return true;
    }

    // Whether the last step asked about was no frame: the video, which ends
    // on the picture the window showed last, then owes it one more.
    bool lastStepUnfilmed() const { return lastStepUnfilmed_; }

  private:
    Clock::duration period_;
    Clock::time_point next_{};       // the time from which a step is the next frame
    bool started_ = false;           // a frame has been taken
    bool lastStepUnfilmed_ = false;  // the last step came before its frame was due
};

}  // namespace corvane::media
