#pragma once
// The companion's progress line on a terminal.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::cli {

// The progress line of a long command (run, record): steps done, for a
// recording also frames written, steps per second and time left, rewritten
// in place twice a second and once more at the end. Silent when asked to
// be quiet or when standard error is no terminal (a pipe, a log file).
class Progress {
  public:
    enum class Frames { Hidden, Shown };
    Progress(std::string_view command, std::uint32_t totalSteps, bool quiet,
             Frames frames = Frames::Hidden);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::uint32_t stepsDone, std::uint32_t framesWritten = 0, bool force = false);

  private:
    using Clock = std::chrono::steady_clock;
    std::string command_;
    std::uint32_t total_;
    bool frames_;
    bool shown_ = false;
    bool active_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_ = start_;
};

}  // namespace corvane::cli
