#include "core/random.h"

namespace corvane {
namespace {
constexpr std::uint64_t kMultiplier64 = 0x0000015A00004E35ull;
constexpr std::uint32_t kMultiplier32 = 0x015A4E35u;
std::uint64_t state = 1;  // the program starts with 1
}  // namespace

std::uint32_t nextRandom() {
    state = state * kMultiplier64 + 1;  // modulo 2^64 by unsigned wrap-around
    return static_cast<std::uint32_t>(state >> 32) & 0x7FFFFFFFu;
}

void seedRandom(std::uint32_t seed) {
    std::uint32_t low = seed * kMultiplier32 + 1;  // modulo 2^32
    state = low;
}

void resetRandom() {
    state = 1;
}

std::uint64_t randomState() {
    return state;
}

}  // namespace corvane
