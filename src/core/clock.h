#pragma once
// Wall time for the kernel's probe, the bench and the progress line.

#include <chrono>

namespace corvane {

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace corvane
