#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace corvane::cli {

RecordProgress::RecordProgress(std::uint32_t totalSteps)
    : total_(totalSteps), terminal_(isatty(STDERR_FILENO) == 1) {}

RecordProgress::~RecordProgress() {
    if (shown_) std::fputc('\n', stderr);
}

void RecordProgress::update(std::uint32_t stepsDone, std::uint32_t framesWritten, bool force) {
    if (!terminal_) return;
    auto now = Clock::now();
    if (!force && now - lastShown_ < std::chrono::milliseconds(500)) return;
    lastShown_ = now;
    shown_ = true;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double perSecond = seconds > 0 ? stepsDone / seconds : 0.0;
    long left = perSecond > 0 ? static_cast<long>((total_ - stepsDone) / perSecond + 0.5) : 0;
    std::fprintf(stderr,
                 "\rcorvane-cli record: step %u of %u, %u frames written, %.1f steps/s, "
                 "%ld:%02ld:%02ld left  ",
                 stepsDone, total_, framesWritten, perSecond, left / 3600, left / 60 % 60,
                 left % 60);
    std::fflush(stderr);
}

}  // namespace corvane::cli
