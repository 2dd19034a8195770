#include "core/synth/polar.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>

// glibc's vector maths (libmvec), AVX2 variants: four doubles at a time.
// Declared as AVX2 code, as they are: the vector argument then passes in a
// register, the same way for every compiler.
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_sin(__m256d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_cos(__m256d);
#endif

namespace pelorin {

namespace {

void Scalar(const double* magnitude, const double* phase, double* out, std::size_t from,
            std::size_t n) {
    for (std::size_t k = from; k < n; ++k) {
        // A local copy of the phase lets the compiler fuse cos and sin into
        // one sincos call.
        const double p = phase[k];
        const double m = magnitude[k];
        out[2 * k] = m * std::cos(p);
        out[2 * k + 1] = m * std::sin(p);
    }
}

#if defined(__x86_64__)

// 2 pi as the sum of three doubles, the first two of 20 significant bits, so
// that k * kTwoPiA and k * kTwoPiB are exact for |k| < 2^33 and x - k * 2 pi is
// formed to about one ulp of the result.
constexpr double kTwoPiA = 0x1.921fcp+2;
constexpr double kTwoPiB = -0x1.5777ap-19;
constexpr double kTwoPiC = -0x1.73dcb3b399d74p-41;
constexpr double kInvTwoPi = 0x1.45f306dc9c883p-3;
// Beyond this the reduction's first product is no longer exact.
constexpr double kLargest = 5.0e10;

// Phases of a long profile reach 10^7 radians and more, where the vector
// functions take a slow path; reduced to -pi .. pi they all stay fast.
__attribute__((target("avx2"))) void Vector(const double* magnitude, const double* phase,
                                            double* out, std::size_t n) {
    const __m256d inv = _mm256_set1_pd(kInvTwoPi);
    const __m256d a = _mm256_set1_pd(kTwoPiA);
    const __m256d b = _mm256_set1_pd(kTwoPiB);
    const __m256d c = _mm256_set1_pd(kTwoPiC);
    const __m256d largest = _mm256_set1_pd(kLargest);
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d zero = _mm256_setzero_pd();
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        // Both loads come before the stores: the phases may lie in out.
        const __m256d x = _mm256_loadu_pd(phase + k);
        const __m256d m = _mm256_loadu_pd(magnitude + k);
        if (_mm256_movemask_pd(_mm256_cmp_pd(m, zero, _CMP_NEQ_UQ)) == 0) {
            // Points without magnitude have no phase to speak of.
            _mm256_storeu_pd(out + 2 * k, zero);
            _mm256_storeu_pd(out + 2 * k + 4, zero);
            continue;
        }
        // Not below kLargest includes NaN: the scalar functions take those.
        const __m256d size = _mm256_andnot_pd(sign, x);
        if (_mm256_movemask_pd(_mm256_cmp_pd(size, largest, _CMP_NLT_UQ)) != 0) {
            Scalar(magnitude, phase, out, k, k + 4);
            continue;
        }
        const __m256d turns =
            _mm256_round_pd(_mm256_mul_pd(x, inv), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        __m256d r = _mm256_sub_pd(x, _mm256_mul_pd(turns, a));
        r = _mm256_sub_pd(r, _mm256_mul_pd(turns, b));
        r = _mm256_sub_pd(r, _mm256_mul_pd(turns, c));
        const __m256d re = _mm256_mul_pd(m, _ZGVdN4v_cos(r));
        const __m256d im = _mm256_mul_pd(m, _ZGVdN4v_sin(r));
        // (re0 re1 re2 re3), (im0 ..) -> (re0 im0 re1 im1), (re2 im2 re3 im3)
        const __m256d lo = _mm256_unpacklo_pd(re, im);
        const __m256d hi = _mm256_unpackhi_pd(re, im);
        _mm256_storeu_pd(out + 2 * k, _mm256_permute2f128_pd(lo, hi, 0x20));
        _mm256_storeu_pd(out + 2 * k + 4, _mm256_permute2f128_pd(lo, hi, 0x31));
    }
    Scalar(magnitude, phase, out, k, n);
}

bool HasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

#endif

}  // namespace

void PhasedSpectrum(const double* magnitude, const double* phase, double* out, std::size_t n) {
#if defined(__x86_64__)
    if (HasAvx2()) {
        Vector(magnitude, phase, out, n);
        return;
    }
#endif
    Scalar(magnitude, phase, out, 0, n);
}

}  // namespace pelorin
