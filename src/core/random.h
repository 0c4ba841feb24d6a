#pragma once
// The program's pseudo-random generator: a 64-bit linear congruential state
// whose upper half, top bit cleared, is each result.

#include <cstdint>

namespace corvane {

struct RandomState {
    std::uint64_t state = 1;  // 64-bit linear congruential state; a new generator starts with 1
};

// Advances the state and returns a value in [0, 2^31).
std::uint32_t nextRandom(RandomState& generator);

// Low 32 bits of the state = seed advanced once by the 32-bit multiplier;
// high 32 bits = 0.
void seedRandom(RandomState& generator, std::uint32_t seed);

}  // namespace corvane
