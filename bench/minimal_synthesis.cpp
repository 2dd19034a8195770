// The least work that makes the .swf file of a band: the floor the command
// line is measured against. It builds the profile, computes the phases, makes
// one real-output FFTW transform with its plan, normalises, converts and
// writes, with every advantage the program could have: huge pages for its big
// blocks, the vector sine and cosine, no checks, no temporary file, no flush.
//   minimal_synthesis SAMPLES BANDWIDTH_KHZ FROM_KHZ TO_KHZ OUT.swf
#include <fftw3.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/synth/polar.h"

namespace {

double* HugeBlock(std::size_t doubles) {
    const std::size_t huge = std::size_t{2} << 20;
    const std::size_t bytes = (doubles * sizeof(double) + huge - 1) / huge * huge;
    void* p = std::aligned_alloc(huge, bytes);
    if (p == nullptr)
        std::exit(1);
    ::madvise(p, bytes, MADV_HUGEPAGE);
    return static_cast<double*>(p);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    const std::size_t samples = std::strtoull(argv[1], nullptr, 10);
    const double bandwidth = std::strtod(argv[2], nullptr);
    const std::size_t n = samples / 2;
    const auto from = static_cast<std::size_t>(std::strtod(argv[3], nullptr) / bandwidth * n);
    const auto to = static_cast<std::size_t>(std::strtod(argv[4], nullptr) / bandwidth * n);

    double* magnitude = HugeBlock(n);
    double* y = HugeBlock(samples + 2);
    for (std::size_t i = 0; i < n; ++i)
        magnitude[i] = i >= from && i < to ? 1.0 : 0.0;

    // The quadratic phase law, term for term, into the block's upper half.
    double* phase = y + n + 2;
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        total += magnitude[i] * magnitude[i];
    const double points = static_cast<double>(n);
    const double sweep = 3.14159 * (2.0 * -1.0);
    double s1 = 0.0, s2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        s1 += magnitude[i] * magnitude[i];
        s2 += s1;
        phase[i] = sweep *
                   (((points / 2.0) * s2) / total + (points / 4.0) * static_cast<double>(i)) /
                   points;
    }
    pelorin::PhasedSpectrum(magnitude, phase, y, n);
    y[0] *= 2.0;
    y[1] = y[samples] = y[samples + 1] = 0.0;
    fftw_plan plan = fftw_plan_dft_c2r_1d(static_cast<int>(samples),
                                          reinterpret_cast<fftw_complex*>(y), y, FFTW_ESTIMATE);
    fftw_execute(plan);

    double max = 0.0, min = 0.0;
    for (std::size_t i = 0; i < samples; ++i) {
        max = y[i] > max ? y[i] : max;
        min = y[i] < min ? y[i] : min;
    }
    const double scale = 1.0 / (std::fabs(min) >= max ? std::fabs(min) : max);
    auto* codes = reinterpret_cast<std::uint16_t*>(magnitude);  // the profile is done with
    for (std::size_t i = 0; i < samples; ++i) {
        double c = 4095.0 * ((y[i] * scale + 1.0) / 2.0);
        c = c < 4095.0 ? c : 4095.0;
        codes[i] = static_cast<std::uint16_t>(static_cast<int>(c > 0.0 ? c : 0.0));
    }
    std::FILE* f = std::fopen(argv[5], "wb");
    if (f == nullptr)
        return 1;
    std::fprintf(f, "TAVIK SWIFT File\n\nData Points:%zu\nBandwidth:%f\nData:\n", samples,
                 bandwidth * 1000.0);
    std::fwrite(codes, 2, samples, f);
    return std::fclose(f) == 0 ? 0 : 1;
}
