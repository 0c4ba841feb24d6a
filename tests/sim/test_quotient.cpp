// The AVX-512 Newton path's quotients against the divider's, bit for bit:
// the reciprocal they start from for every r x r^2 the kernel can form from a
// positive float r^2, and quotients of sampled floats, the ends of their
// range among them. Compiled
// for AVX-512; skipped on a processor without it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

// GCC 12's own AVX-512 headers fill the unused pass-through operand of the
// conversions with a deliberately undefined register and then warn about it.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

#include "sim/force_fast_quotient.h"
#include "sim/simulation.h"

namespace corvane::fastkernel {
namespace {

bool haveNewtonPath() {
    return pathWithin(SimdLevel::Avx512Newton, supportedSimdLevel());
}

// Lanes where two registers differ in any bit.
__mmask8 differingBits(__m512d x, __m512d y) {
    return _mm512_cmp_epi64_mask(_mm512_castpd_si512(x), _mm512_castpd_si512(y), _MM_CMPINT_NE);
}

// Lanes of `a / b` where the two quotients differ in any bit.
__mmask8 differingLanes(__m512d a, __m512d b) {
    return differingBits(_mm512_div_pd(a, b), quotientByReciprocal(a, b));
}

// r x r^2 as the kernel forms it, from eight floats r^2.
__m512d cubeOfRoot(const float* squared) {
    const __m512d s = _mm512_cvtps_pd(_mm256_loadu_ps(squared));
    return _mm512_mul_pd(_mm512_sqrt_pd(s), s);
}

// Bit patterns [begin, end) of floats, eight at a time; the count that differ.
long reciprocalMisses(std::uint32_t begin, std::uint32_t end) {
    long misses = 0;
    const __m512d one = _mm512_set1_pd(1.0);
    for (std::uint32_t first = begin; first < end; first += 8) {
        std::uint32_t bits[8];
        for (std::uint32_t k = 0; k < 8; ++k) bits[k] = first + k < end ? first + k : end - 1;
        float squared[8];
        std::memcpy(squared, bits, sizeof squared);
        const __m512d b = cubeOfRoot(squared);
        misses += __builtin_popcount(differingBits(_mm512_div_pd(one, b), newtonReciprocal(b)));
    }
    return misses;
}

TEST(NewtonQuotient, TheReciprocalIsTheDividersForEveryPositiveFloatSquare) {
    if (!haveNewtonPath()) GTEST_SKIP() << "this processor lacks AVX-512";
    const std::uint32_t smallest = 1;           // the least subnormal float
    const std::uint32_t infinity = 0x7F800000;  // the first pattern past the finite floats
    const std::uint32_t half = smallest + (infinity - smallest) / 2;
    long firstHalf = 0;
    std::thread helper([&] { firstHalf = reciprocalMisses(smallest, half); });
    const long secondHalf = reciprocalMisses(half, infinity);
    helper.join();
    EXPECT_EQ(firstHalf + secondHalf, 0);
}

float floatOfBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

TEST(NewtonQuotient, QuotientsOfFloatsAreTheDividers) {
    if (!haveNewtonPath()) GTEST_SKIP() << "this processor lacks AVX-512";
    constexpr float largest = std::numeric_limits<float>::max();
    // The ends of what a lane may hold besides ordinary values: the
    // numerators of every float magnitude, the squares of coordinates up to
    // 2^60 apart.
    const float oddNumerators[] = {1e-45f, -1e-45f, largest, -largest, 1.2e-38f};
    const float oddSquares[] = {1e-45f, 0x1p124f, 0x1.8p123f, 1.2e-38f};
    std::mt19937 random(7);
    const auto anyFloat = [&] { return floatOfBits(random() % 0x7F7FFFFFu + 1); };
    const auto anySquare = [&] { return floatOfBits(random() % 0x7D800000u + 1); };  // to 2^124
    long misses = 0;
    for (int round = 0; round < 4'000'000; ++round) {
        float numerators[8];
        float squared[8];
        for (int k = 0; k < 8; ++k) {
            numerators[k] = random() % 2 ? anyFloat() : -anyFloat();
            squared[k] = anySquare();
        }
        if (round % 64 == 0) numerators[round / 64 % 8] = oddNumerators[round / 512 % 5];
        if (round % 64 == 32) squared[round / 64 % 8] = oddSquares[round / 512 % 4];
        const __m512d a = _mm512_cvtps_pd(_mm256_loadu_ps(numerators));
        misses += __builtin_popcount(differingLanes(a, cubeOfRoot(squared)));
    }
    EXPECT_EQ(misses, 0);
}

}  // namespace
}  // namespace corvane::fastkernel
