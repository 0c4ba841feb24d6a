#pragma once
// The program's one pseudo-random generator: a 64-bit linear congruential
// state (gRandom, core/state.h) whose upper half, top bit cleared, is each
// result.

#include <cstdint>

#include "core/state.h"

namespace corvane {

// Advances the state and returns a value in [0, 2^31).
std::uint32_t nextRandom();

// Low 32 bits of the state = seed advanced once by the 32-bit multiplier;
// high 32 bits = 0.
void seedRandom(std::uint32_t seed);

}  // namespace corvane
