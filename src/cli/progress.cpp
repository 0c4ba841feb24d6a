#include "progress.h"

#include <unistd.h>

#include <cstdio>

#include "sim/simulation.h"

namespace corvane::cli {

Progress::Progress(std::string_view command, std::uint32_t totalSteps, bool quiet, Frames frames)
    : command_(command),
      total_(totalSteps),
      frames_(frames == Frames::Shown),
      active_(!quiet && isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    if (shown_) std::fputc('\n', stderr);
}

void Progress::update(std::uint32_t stepsDone, std::uint32_t framesWritten, bool force) {
    if (!active_) return;
    auto now = Clock::now();
    if (!force && now - lastShown_ < std::chrono::milliseconds(500)) return;
    lastShown_ = now;
    shown_ = true;
    double seconds = secondsSince(start_);
    double perSecond = seconds > 0 ? stepsDone / seconds : 0.0;
    long left = perSecond > 0 ? static_cast<long>((total_ - stepsDone) / perSecond + 0.5) : 0;
    std::string frames = frames_ ? ", " + std::to_string(framesWritten) + " frames written" : "";
    std::fprintf(stderr, "\rcorvane-cli %s: step %u of %u%s, %.1f steps/s, %ld:%02ld:%02ld left  ",
                 command_.c_str(), stepsDone, total_, frames.c_str(), perSecond, left / 3600,
                 left / 60 % 60, left % 60);
    std::fflush(stderr);
}

}  // namespace corvane::cli
