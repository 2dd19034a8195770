#include "core/maxmin.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace pelorin {

int MaxMin1D(std::span<const double> a, double& max, int& imax, double& min, int& imin) {
    const int n = static_cast<int>(a.size());
    if (n < 1)
        return kMaxMinNoData;
    int j = 0;
    while (j < n && std::isnan(a[j]))
        ++j;
    if (j == n) {
        max = min = std::numeric_limits<double>::quiet_NaN();
        imax = imin = -1;
        return 0;
    }
    max = min = a[j];
    imax = imin = j;
    for (++j; j < n; ++j) {
        const double v = a[j];
        if (std::isnan(v))
            continue;
        if (v > max) {
            max = v;
            imax = j;
        } else if (v < min) {
            min = v;
            imin = j;
        }
    }
    return 0;
}

namespace {

#if defined(__x86_64__)
bool HasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// a[0 .. 16k) into the bounds, sixteen values a round in four pairs of
// accumulators. minpd and maxpd return their second operand when the first
// is NaN, so a NaN never enters; returns where the scalar loop goes on.
__attribute__((target("avx2"))) std::size_t BoundsVector(const double* a, std::size_t n,
                                                         ValueBounds& b) {
    __m256d lo[4], hi[4];
    for (int j = 0; j < 4; ++j) {
        lo[j] = _mm256_set1_pd(b.lo);
        hi[j] = _mm256_set1_pd(b.hi);
    }
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        for (int j = 0; j < 4; ++j) {
            const __m256d v = _mm256_loadu_pd(a + i + 4 * j);
            lo[j] = _mm256_min_pd(v, lo[j]);
            hi[j] = _mm256_max_pd(v, hi[j]);
        }
    }
    const __m256d l = _mm256_min_pd(_mm256_min_pd(lo[0], lo[1]), _mm256_min_pd(lo[2], lo[3]));
    const __m256d h = _mm256_max_pd(_mm256_max_pd(hi[0], hi[1]), _mm256_max_pd(hi[2], hi[3]));
    double ls[4], hs[4];
    _mm256_storeu_pd(ls, l);
    _mm256_storeu_pd(hs, h);
    b.lo = std::min(std::min(ls[0], ls[1]), std::min(ls[2], ls[3]));
    b.hi = std::max(std::max(hs[0], hs[1]), std::max(hs[2], hs[3]));
    return i;
}
#endif

}  // namespace

ValueBounds BoundsOf(std::span<const double> a) {
    ValueBounds b{std::numeric_limits<double>::infinity(),
                  -std::numeric_limits<double>::infinity()};
    std::size_t i = 0;
#if defined(__x86_64__)
    if (HasAvx2() && a.size() >= 16)
        i = BoundsVector(a.data(), a.size(), b);
#endif
    for (; i < a.size(); ++i) {
        const double v = a[i];
        b.lo = v < b.lo ? v : b.lo;
        b.hi = v > b.hi ? v : b.hi;
    }
    return b;
}

}  // namespace pelorin
