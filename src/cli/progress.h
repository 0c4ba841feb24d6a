#pragma once
// The companion's progress line on a terminal.

#include <chrono>
#include <cstdint>

namespace corvane::cli {

// The progress line of a recording on a terminal: steps done, frames
// written, steps per second and time left. Silent when standard error is
// not a terminal.
class RecordProgress {
  public:
    explicit RecordProgress(std::uint32_t totalSteps);
    ~RecordProgress();
    RecordProgress(const RecordProgress&) = delete;
    RecordProgress& operator=(const RecordProgress&) = delete;

    void update(std::uint32_t stepsDone, std::uint32_t framesWritten, bool force = false);

  private:
    using Clock = std::chrono::steady_clock;
    std::uint32_t total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_ = start_;
    bool terminal_;
    bool shown_ = false;
};

}  // namespace corvane::cli
