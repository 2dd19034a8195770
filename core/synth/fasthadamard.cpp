#include "core/synth/fasthadamard.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace pelorin {

int Hadamard(std::span<float> vector, int order) {
    if (order < 0 || order > kMaxHadamardOrder)
        return -1;
    const std::size_t n = static_cast<std::size_t>(Exp_2_N(order));
    if (vector.size() < n)
        return -1;
    std::vector<float> work;
    try {
        work.resize(n);
    } catch (const std::bad_alloc&) {
        return -1;
    }

    // Constant geometry: every pass reads pairs (2i, 2i + 1) and writes i and
    // half + i, ping-ponging between the caller's vector and the work array.
    // Each sum is stored as float, so rounding happens pass by pass.
    const std::size_t half = n / 2;
    float* source = vector.data();
    float* target = work.data();
    for (int pass = 0; pass < order; ++pass) {
        for (std::size_t i = 0; i < half; ++i) {
            const float a = source[2 * i];
            const float b = source[2 * i + 1];
            target[i] = a + b;
            target[half + i] = a - b;
        }
        std::swap(source, target);
    }
    if (order % 2 == 1)
        std::copy(work.begin(), work.end(), vector.begin());
    return 0;
}

int Log_2_N(int n) {
    if (n < 1)
        return 0;  // halving would never reach 1
    int count = 0;
    while (n != 1) {
        n >>= 1;
        ++count;
    }
    return count;
}

int Exp_2_N(int k) {
    // Beyond 30 doublings an int overflows.
    k = std::clamp(k, 0, kMaxHadamardOrder);
    int p = 1;
    for (int i = 0; i < k; ++i)
        p *= 2;
    return p;
}

}  // namespace pelorin
