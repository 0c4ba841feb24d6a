#include "core/random.h"

namespace corvane {
namespace {
constexpr std::uint64_t kMultiplier64 = 0x0000015A00004E35ull;
constexpr std::uint32_t kMultiplier32 = 0x015A4E35u;
}  // namespace

std::uint32_t nextRandom(RandomState& generator) {
    std::uint64_t& state = generator.state;
    state = state * kMultiplier64 + 1;  // modulo 2^64 by unsigned wrap-around
    return static_cast<std::uint32_t>(state >> 32) & 0x7FFFFFFFu;
}

void seedRandom(RandomState& generator, std::uint32_t seed) {
    std::uint32_t low = seed * kMultiplier32 + 1;  // modulo 2^32
    generator.state = low;
}

}  // namespace corvane
