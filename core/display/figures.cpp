#include "core/display/figures.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/files/swf.h"
#include "core/memory.h"
#include "core/refusal.h"
#include "core/synth/fft.h"

namespace pelorin {

namespace {

std::string Exact(double v) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v).ptr};
}

}  // namespace

WaveformFigures FiguresOfCodes(std::span<const std::uint16_t> codes, double bandwidth_khz,
                               std::vector<double>* spectrum) {
    const std::size_t n = codes.size();
    if (n == 0)
        throw Refusal("A waveform without samples has no figures.");
    WaveformFigures f = LevelFigures(n, bandwidth_khz, [&](std::size_t t) { return codes[t]; });

    // The band from the transform of the samples: n real samples give n/2
    // frequencies below the Nyquist frequency, 2 bandwidth / n kHz apart.
    const std::size_t bins = n / 2;
    std::vector<double> magnitude;
    try {
        AlignedDoubles block(2 * (n / 2 + 1));
        for (std::size_t t = 0; t < n; ++t)
            block.data()[t] = DecodeSample(codes[t]);
        ForwardRealFft(block.data(), block.size(), n);
        magnitude.resize(bins);
        for (std::size_t k = 0; k < bins; ++k)
            magnitude[k] = std::hypot(block.data()[2 * k], block.data()[2 * k + 1]);
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory for the spectrum of " + std::to_string(n) +
                      " samples: close other programs and try again.");
    }
    double largest = 0.0;
    for (std::size_t k = 1; k < bins; ++k)
        largest = std::max(largest, magnitude[k]);
    if (largest > 0.0) {
        const double step = 2.0 * bandwidth_khz / static_cast<double>(n);
        std::size_t lo = 0, hi = 0;
        for (std::size_t k = 1; k < bins; ++k)
            if (magnitude[k] >= largest / 2.0) {
                lo = lo == 0 ? k : lo;
                hi = k;
            }
        f.band_lo_khz = static_cast<double>(lo) * step;
        f.band_hi_khz = static_cast<double>(hi) * step;
        for (double& m : magnitude)
            m /= largest;
    }
    if (spectrum)
        *spectrum = std::move(magnitude);
    return f;
}

WaveformFigures LevelFiguresOfSamples(std::span<const double> samples, double bandwidth_khz) {
    if (samples.empty())
        throw Refusal("A waveform without samples has no figures.");
    return LevelFigures(samples.size(), bandwidth_khz,
                        [&](std::size_t t) { return SampleCode(samples[t]); });
}

WaveformFigures FiguresOfSamples(std::span<const double> samples, double bandwidth_khz,
                                 std::vector<double>* spectrum) {
    std::vector<std::uint16_t> codes;
    try {
        codes.resize(samples.size());
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory for the figures of the waveform.");
    }
    EncodeSamples(samples.data(), samples.size(), codes.data());
    if constexpr (std::endian::native == std::endian::big)
        for (std::uint16_t& c : codes)
            c = static_cast<std::uint16_t>(c << 8 | c >> 8);
    return FiguresOfCodes(codes, bandwidth_khz, spectrum);
}

std::string FiguresText(const WaveformFigures& f) {
    return "samples: " + std::to_string(f.samples) + "\nbandwidth_khz: " + Exact(f.bandwidth_khz) +
           "\npeak: " + Exact(f.peak) + "\nrms: " + Exact(f.rms) +
           "\ncrest_factor: " + Exact(f.crest_factor) +
           "\ncrest_factor_db: " + Exact(f.crest_factor_db) +
           "\nclipped_fraction: " + Exact(f.clipped_fraction) +
           "\nband_khz: " + Exact(f.band_lo_khz) + " " + Exact(f.band_hi_khz) + "\n";
}

std::string FiguresSummary(const WaveformFigures& f) {
    char text[128];
    std::snprintf(text, sizeof text, "Crest %.2f (%.1f dB)  Band %.1f–%.1f kHz", f.crest_factor,
                  f.crest_factor_db, f.band_lo_khz, f.band_hi_khz);
    return text;
}

}  // namespace pelorin
