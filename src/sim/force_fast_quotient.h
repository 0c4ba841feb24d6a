#pragma once
// a / b for the AVX-512 Newton path, rounded exactly as the divider rounds
// it, but on the multiply units: where 512-bit division is slow and the
// square root already keeps the divider busy, the quotient costs less there.
// Include only from sources compiled with -mavx512f -mfma.
//
// The reciprocal estimate (14 bits) gains twice its bits with each of three
// Newton steps, y + y(1 - by) with one rounding each, and lands on the
// correctly rounded 1/b; then q = ay, and Markstein's correction q + (a - bq)y
// with a - bq exact in one fused step gives the correctly rounded a/b. That
// holds for normal operands and a normal quotient without overflow. The kernel
// divides float values (a coefficient, 1, the hole's term) by r x r^2 of a
// float r^2, which keeps every operand and quotient far inside the double
// range. Markstein's correction needs the correctly rounded reciprocal: the
// test checks it for every positive float r^2, and the quotient over
// sampled floats. A register with any other lane (zero,
// infinite or not a number, or a numerator beyond that range, where the
// signs of zeros would also differ) takes the divider instead.

#include <immintrin.h>

namespace corvane::fastkernel {
namespace {

// 1/b rounded as the divider rounds it, for b = r x r^2 of a positive float
// r^2 (the test checks every one); for other b within a few units in the
// last place.
inline __m512d newtonReciprocal(__m512d b) {
    const __m512d one = _mm512_set1_pd(1.0);
    __m512d y = _mm512_rcp14_pd(b);
    for (int step = 0; step < 3; ++step) y = _mm512_fmadd_pd(y, _mm512_fnmadd_pd(b, y, one), y);
    return y;
}

inline __m512d quotientByReciprocal(__m512d a, __m512d b) {
    const __m512d absA = _mm512_abs_pd(a);
    // Between 2^-400 and 2^400 both: the quotient and a - bq stay normal.
    const __mmask8 inRange = _mm512_cmp_pd_mask(b, _mm512_set1_pd(0x1p-400), _CMP_GT_OQ) &
                             _mm512_cmp_pd_mask(b, _mm512_set1_pd(0x1p400), _CMP_LT_OQ) &
                             _mm512_cmp_pd_mask(absA, _mm512_set1_pd(0x1p-400), _CMP_GT_OQ) &
                             _mm512_cmp_pd_mask(absA, _mm512_set1_pd(0x1p400), _CMP_LT_OQ);
    if (inRange != 0xFF) return _mm512_div_pd(a, b);
    const __m512d y = newtonReciprocal(b);
    const __m512d q = _mm512_mul_pd(a, y);
    return _mm512_fmadd_pd(_mm512_fnmadd_pd(b, q, a), y, q);
}

}  // namespace
}  // namespace corvane::fastkernel
