// The figures an operator checks before sending a waveform to the instrument,
// computed from the codes the .swf file holds (or will hold).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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
