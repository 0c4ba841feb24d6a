// The fast kernel's receiver tiles with AVX2: four double lanes per register.
// Compiled with -mavx2 (and never with FMA, which would change roundings);
// called only when the processor has AVX2.

#include <immintrin.h>

#include "sim/force_fast_lanes.h"

namespace corvane::fastkernel {
namespace {

struct Avx2Lanes {
    static constexpr int kWidth = 4;
    // Three registers per block: with two, each term's chain leaves the
    // divider idle between sources; with four, the sixteen vector registers
    // no longer hold the block and the sweep spills. Chunks of 16 sources:
    // 8, 24 or 32 did no better; on a Xeon at 0.97 of the ceiling, neither
    // 2 registers nor chunks of 8. (The measurements: README, Speed.)
    static constexpr int kGroups = 3;
    static constexpr int kChunk = 16;
    // Each source's three stages register by register, as with AVX-512.
    // On a Zen 3 host under load (one binary spread over 0.44 - 0.60 of the
    // ceiling), taken alternately with stage by stage: +7 to +15 % on one
    // thread, +10 to +16 % on two. With it, 2 or 4 registers and chunks of
    // 8 or 24 did no better, and the subtractions and sums of squares as
    // fused steps (-mfma) gained nothing more. An earlier session on a
    // quieter Zen 3 had found the two orders alike; on the Xeon stage by
    // stage reached 0.95 - 0.96 of the ceiling against 0.97 - 0.98.
    static constexpr bool kStagesPerRegister = true;
    using F = __m128;   // four floats
    using D = __m256d;  // four doubles
    using M = __m256d;  // all-ones lanes where a comparison holds

    static F load(const float* p) { return _mm_load_ps(p); }
    static void store(float* p, F v) { _mm_store_ps(p, v); }
    static F broadcast(const float* p) { return _mm_broadcast_ss(p); }
    static F difference(F a, F b) { return _mm_sub_ps(a, b); }

    static D widen(F f) { return _mm256_cvtps_pd(f); }
    static F narrow(D d) { return _mm256_cvtpd_ps(d); }
    static D set(double v) { return _mm256_set1_pd(v); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D addSquare(D sum, D x) { return add(sum, mul(x, x)); }
    static D div(D a, D b) { return _mm256_div_pd(a, b); }
    static D divideOnDivider(D a, D b) { return div(a, b); }
    static D sqrt(D a) { return _mm256_sqrt_pd(a); }
    // Flips the sign bit, as unary minus does (0 - x would give +0 for +0).
    static D negate(D a) { return _mm256_xor_pd(a, _mm256_set1_pd(-0.0)); }

    // False for NaN, as the scalar comparison is.
    static M greater(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static bool allSet(M m) { return _mm256_movemask_pd(m) == 0xF; }
    static bool noneSet(M m) { return _mm256_movemask_pd(m) == 0; }
    static D select(M m, D ifSet, D otherwise) { return _mm256_blendv_pd(otherwise, ifSet, m); }

    static M lanesAbove(int pivot) { return _mm256_cmp_pd(laneIndex(), set(pivot), _CMP_GT_OQ); }
    static M lanesBelow(int pivot) { return _mm256_cmp_pd(laneIndex(), set(pivot), _CMP_LT_OQ); }

  private:
    static D laneIndex() { return _mm256_setr_pd(0.0, 1.0, 2.0, 3.0); }
};

}  // namespace

void freeStarTilesAvx2(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                       int endTile) {
    addTileTerms<Avx2Lanes, Avx2Lanes::kGroups>(terms, lanes, firstTile, endTile);
}

float probeDividerAvx2(long rounds) {
    return probeDivider<Avx2Lanes>(rounds);
}

}  // namespace corvane::fastkernel
