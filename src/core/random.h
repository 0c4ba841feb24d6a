#pragma once
// The program's one pseudo-random generator: a 64-bit linear congruential
// state whose upper half, top bit cleared, is each result.

#include <cstdint>

namespace corvane {

// Advances the state and returns a value in [0, 2^31).
std::uint32_t nextRandom();

// Low 32 bits of the state = seed advanced once by the 32-bit multiplier;
// high 32 bits = 0.
void seedRandom(std::uint32_t seed);

// The state the program starts with (1).
void resetRandom();

// The raw 64-bit state, for tests and determinism checks.
std::uint64_t randomState();

}  // namespace corvane
