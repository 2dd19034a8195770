#include "core/synth/hadamard.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>

#include "core/edit/bands.h"
#include "core/edit/freqlist.h"
#include "core/synth/fasthadamard.h"

namespace pelorin {

int BuildHadamard(std::span<double> Magnitude, const std::vector<float>& list, double bandwidth,
                  double HadamardWidth, int row) {
    if (list.empty() || list.size() >= (1u << 30) || Magnitude.empty() ||
        Magnitude.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    const int n = static_cast<int>(list.size());
    // Divided in this order and kept in single precision, as the bands are.
    const float h = static_cast<float>(HadamardWidth / 1000.0 / 2.0);
    const int m = Log_2_N(n) + 1;
    const int order = Exp_2_N(m);
    if (row < 0 || row >= order)
        return -1;

    std::vector<float> column;
    try {
        column.assign(static_cast<std::size_t>(order), 0.0f);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    column[static_cast<std::size_t>(row)] = 1.0f;
    // Only the one column of H_N that this row needs, never the matrix.
    if (Hadamard(column, m) != 0)
        return -1;

    const int points = static_cast<int>(Magnitude.size());
    for (int i = 0; i < n; ++i) {
        // Matrix index 0 (all +1) is never used: frequency i takes index i + 1.
        if (!(column[static_cast<std::size_t>(i) + 1] > 0.0f))
            continue;
        SetWindow(Magnitude, InclusiveBand(list[i], h, bandwidth, points), kHadamardLevel);
    }
    return 0;
}

int HadamardOrder(int n) {
    if (n < 1 || n >= (1 << 30))
        return 0;
    return Exp_2_N(Log_2_N(n) + 1);
}

SeriesReport BatchHadamard(const SeriesTarget& target, const std::vector<float>& list,
                           double width_hz, const SeriesName& name, const SeriesProgress& progress,
                           unsigned threads) {
    if (list.empty())
        throw Refusal("The frequency list is empty: add frequencies before building a batch.");
    RequireFrequenciesInRange(list, target.bandwidth);
    const int order = HadamardOrder(static_cast<int>(std::min<std::size_t>(list.size(), 1u << 30)));
    if (order == 0)
        throw Refusal("The frequency list holds " + std::to_string(list.size()) +
                      " frequencies, too many for one batch.");

    const auto build = [&list, bandwidth = target.bandwidth, width = width_hz](
                           std::span<double> profile, std::uint64_t row) {
        if (BuildHadamard(profile, list, bandwidth, width, static_cast<int>(row)) != 0)
            throw Refusal("Row " + std::to_string(row) +
                          " could not be built: no memory for the Hadamard "
                          "transform.");
    };
    return RunSeries(target, name, 1, static_cast<std::uint64_t>(order) - 1, build, true, progress,
                     threads);
}

}  // namespace pelorin
