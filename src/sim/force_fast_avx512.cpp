// The fast kernel's receiver tiles with AVX-512: eight double lanes per
// register. Compiled with -mavx512f -mfma; called only when the processor has
// both (every processor with AVX-512 has FMA). The fused operations appear only
// where the lane code asks for them, in forms whose single rounding is the
// rounding of the plain operations, and in the Newton path's quotients.

#include <immintrin.h>

#include <cstdint>

// GCC 12's own AVX-512 headers fill the unused pass-through operand of the
// conversions and square roots with a deliberately undefined register and
// then warn about it at every use.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

#include "sim/force_fast_lanes.h"
#include "sim/force_fast_quotient.h"

namespace corvane::fastkernel {
namespace {

// Quotients by the divider, or (NewtonQuotients) from the reciprocal.
template <bool NewtonQuotients>
struct Avx512Lanes {
    static constexpr int kWidth = 8;
    // Three registers per block (24 free stars share each sweep) and chunks
    // of 16 sources: with 2 to 4 registers and chunks of 8 to 24 the speed
    // lies within the host's noise, so the AVX2 shape is kept; 6 registers
    // lose. On a Xeon whose divider holds both paths (0.97 of the ceiling),
    // 2 or 3 registers and chunks of 8 to 32 ran alike as well. (The
    // measurements: README, Speed.) With Newton quotients on the Xeon, 3
    // registers ran 2 - 4 % ahead of 2 and 5 % ahead of 6; chunks of 8 or
    // 32 alike.
    static constexpr int kGroups = 3;
    static constexpr int kChunk = 16;
    // Each source's three stages register by register rather than stage by
    // stage, so that the divider's work is spread evenly through the
    // instructions. Why it pays: at eight lanes the rest of a term (eleven
    // conversions, subtractions, additions) takes as long as the divider
    // (the sweep with its square roots and divisions replaced by
    // multiplications runs at nearly the divider's ceiling), so only how
    // well the two overlap decides the speed. (On the Xeon, where the
    // divider dominates, both orders ran at 0.97; with Newton quotients,
    // stage by stage lost 10 %.) The same reason moves the
    // subtractions and the sums of squares to the multiply units (below).
    static constexpr bool kStagesPerRegister = true;
    using F = __m256;   // eight floats
    using D = __m512d;  // eight doubles
    using M = __mmask8;

    static F load(const float* p) { return _mm256_load_ps(p); }
    static void store(float* p, F v) { _mm256_store_ps(p, v); }
    static F broadcast(const float* p) { return _mm256_broadcast_ss(p); }
    // a - b as one fused step, -(b x 1) + a: the product is exact, so this
    // is the subtraction's rounding, signed zeros included. It runs beside
    // the conversions, which share their units with the additions.
    static F difference(F a, F b) { return _mm256_fnmadd_ps(b, _mm256_set1_ps(1.0f), a); }

    static D widen(F f) { return _mm512_cvtps_pd(f); }
    static F narrow(D d) { return _mm512_cvtpd_ps(d); }
    static D set(double v) { return _mm512_set1_pd(v); }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D sub(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    // sum + x^2 rounded once; exact only where x^2 is (x a float's value).
    static D addSquare(D sum, D x) { return _mm512_fmadd_pd(x, x, sum); }
    // With NewtonQuotients, div takes only what the kernel gives it on a
    // step newtonQuotientsServe passes.
    static D div(D a, D b) {
        if constexpr (NewtonQuotients) return quotientByReciprocal(a, b);
        return _mm512_div_pd(a, b);
    }
    static D divideOnDivider(D a, D b) { return _mm512_div_pd(a, b); }
    static D sqrt(D a) { return _mm512_sqrt_pd(a); }
    // Flips the sign bit, as unary minus does (0 - x would give +0 for +0).
    static D negate(D a) {
        return _mm512_castsi512_pd(
            _mm512_xor_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(INT64_MIN)));
    }

    // False for NaN, as the scalar comparison is.
    static M greater(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static bool allSet(M m) { return m == 0xFF; }
    static bool noneSet(M m) { return m == 0; }
    static D select(M m, D ifSet, D otherwise) { return _mm512_mask_blend_pd(m, otherwise, ifSet); }

    // Lanes whose index is above, or below, `pivot` (which may lie outside
    // the register).
    static M lanesAbove(int pivot) {
        if (pivot < 0) return 0xFF;
        if (pivot >= kWidth - 1) return 0;
        return static_cast<M>(0xFFu << (pivot + 1));
    }
    static M lanesBelow(int pivot) {
        if (pivot <= 0) return 0;
        if (pivot >= kWidth) return 0xFF;
        return static_cast<M>((1u << pivot) - 1u);
    }
};

}  // namespace

void freeStarTilesAvx512(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                         int endTile) {
    using L = Avx512Lanes<false>;
    addTileTerms<L, L::kGroups>(terms, lanes, firstTile, endTile);
}

void freeStarTilesAvx512Newton(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                               int endTile) {
    using L = Avx512Lanes<true>;
    addTileTerms<L, L::kGroups>(terms, lanes, firstTile, endTile);
}

float probeDividerAvx512(long rounds) {
    return probeDivider<Avx512Lanes<false>>(rounds);
}

}  // namespace corvane::fastkernel
