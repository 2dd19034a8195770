#include "core/maxmin.h"

#include <cmath>
#include <limits>

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

}  // namespace pelorin
