// The figures an operator checks before sending a waveform to the instrument,
// computed from the codes the .swf file holds (or will hold).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/files/swf.h"

namespace pelorin {

struct WaveformFigures {
    std::size_t samples = 0;
    double bandwidth_khz = 0.0;
    double peak = 0.0;              // largest |sample|
    double rms = 0.0;               // root mean square
    double crest_factor = 0.0;      // peak / rms
    double crest_factor_db = 0.0;   // 20 log10(peak / rms)
    double clipped_fraction = 0.0;  // share of codes at 0 or 4095
    // Where the spectrum reaches half its largest value, 0 Hz aside: the
    // lowest and the highest such frequency, kHz. Both 0 without such a point.
    double band_lo_khz = 0.0;
    double band_hi_khz = 0.0;
};

// The figures that need no transform, of n codes code(0) … code(n - 1): the
// peak, the RMS, the crest factor and the share at full scale (the band left
// at 0). Also gives the sum of the samples, for their mean.
template <class CodeAt>
WaveformFigures LevelFigures(std::size_t n, double bandwidth_khz, CodeAt code,
                             double* sum = nullptr) {
    WaveformFigures f;
    f.samples = n;
    f.bandwidth_khz = bandwidth_khz;
    double total = 0.0, squares = 0.0;
    std::size_t at_full_scale = 0;
    for (std::size_t t = 0; t < n; ++t) {
        const std::uint16_t c = code(t);
        const double s = DecodeSample(c);
        total += s;
        squares += s * s;
        f.peak = std::max(f.peak, std::fabs(s));
        at_full_scale += c == 0 || c == kSwfTopCode;
    }
    f.rms = std::sqrt(squares / static_cast<double>(n));
    f.crest_factor = f.peak / f.rms;
    f.crest_factor_db = 20.0 * std::log10(f.crest_factor);
    f.clipped_fraction = static_cast<double>(at_full_scale) / static_cast<double>(n);
    if (sum)
        *sum = total;
    return f;
}

// The same for samples as the .swf writer would store them: one pass, no
// transform, for a first look while the rest is measured.
WaveformFigures LevelFiguresOfSamples(std::span<const double> samples, double bandwidth_khz);

// The figures of codes played at 2 × bandwidth kHz (the waveform's spectrum
// spans 0 … bandwidth), each code c standing for the sample 2 c / 4095 - 1.
// With spectrum given, it receives the magnitude of the samples' transform at
// k × 2 bandwidth / n kHz, k = 0 … n/2 - 1, relative to its largest value
// (0 Hz aside). Throws Refusal for no codes, or when memory runs out.
WaveformFigures FiguresOfCodes(std::span<const std::uint16_t> codes, double bandwidth_khz,
                               std::vector<double>* spectrum = nullptr);

// The figures of samples as the .swf writer would store them.
WaveformFigures FiguresOfSamples(std::span<const double> samples, double bandwidth_khz,
                                 std::vector<double>* spectrum = nullptr);

// One "key: value" line per figure, in the order of the struct, numbers as
// short as read back exactly ("band_khz: lo hi").
std::string FiguresText(const WaveformFigures& f);

// The crest factor and the band in one short line for a status bar, rounded
// for the eye (the figures pane has them all).
std::string FiguresSummary(const WaveformFigures& f);

}  // namespace pelorin
