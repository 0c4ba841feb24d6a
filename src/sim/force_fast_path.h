#pragma once
// Which vector path the fast kernel takes when nothing forces one. Every path
// gives the same bits, so the choice is only one of speed, and the widest is
// not always the fastest: where 512-bit division and square root take twice
// as long as 256-bit ones, eight lanes gain nothing on the divider, and the
// wider registers' other costs can make them lose; quotients on the multiply
// units pay where the divider is slow and the multiply units have room. The
// paths are therefore timed on this processor, once per process, on the
// kernel's own tile code.

#include <span>

#include "sim/kernel_state.h"

namespace corvane::fastkernel {

struct PathTiming {
    SimdLevel level;
    double seconds;  // the best of the rounds timed, for the same work
};

// A path earlier in SimdLevel's order must beat a later one by more than
// this fraction of the later one's time: below it the host's noise decides.
constexpr double kEarlierPathMargin = 0.02;

// The fastest of `timings` under that rule; Scalar when it is empty.
SimdLevel fastestPath(std::span<const PathTiming> timings);

// Times every vector path up to `supported` and returns fastestPath of them.
// Takes a few milliseconds.
SimdLevel measureFastestPath(SimdLevel supported);

}  // namespace corvane::fastkernel
