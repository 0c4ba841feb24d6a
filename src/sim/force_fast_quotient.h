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
// divides float values by r x r^2 of a float r^2, which keeps every operand
// and quotient far inside the double range. Markstein's correction needs the
// correctly rounded reciprocal: the test checks it for every positive float
// r^2, and the quotient over sampled floats.
//
// The kernel takes this path only for a step where that range holds for
// every lane it keeps (newtonQuotientsServe in the kernel): numerators are
// float values other than zero and the infinities (a zero's sign would come
// out wrong), and every b of a far pair lies between 2^-224 and 2^186.

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
    const __m512d y = newtonReciprocal(b);
    const __m512d q = _mm512_mul_pd(a, y);
    return _mm512_fmadd_pd(_mm512_fnmadd_pd(b, q, a), y, q);
}

}  // namespace
}  // namespace corvane::fastkernel
