// What an ion feels when the generator plays a record once: the continuous
// spectrum of the finite record (its discrete-time Fourier transform), seen
// between the record's own frequency points as well as on them. It is sampled
// here at eight points per record point, the record zero-padded to eight
// times its length, and measured against the bands and notches it was made
// for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/display/figures.h"
#include "core/synth/passband.h"

namespace pelorin {

// Sub-points per record point of the played-once spectrum.
inline constexpr std::size_t kPlayedPadding = 8;

struct PlayedOnceFigures {
    // Where the bands and notches come from: the design's profile, or (for a
    // file on its own) the record's own spectrum points above half the
    // largest one.
    bool bands_from_profile = false;
    std::vector<DesignBand> bands;
    // Over every band, 2 % of its width in from each edge and clear of each
    // notch by max(10 % of the notch's width, 2 points): the least and the
    // largest level relative to the root mean square level there, dB. Where
    // the design's level varies, the spectrum is first divided by it (points
    // below half their band's largest level left aside). NaN without such a
    // region.
    double ripple_lo_db = 0.0;
    double ripple_hi_db = 0.0;
    // The largest level farther than 2 % of a band's width outside every band
    // (below 1 % of the bandwidth aside), relative to the bands' root mean
    // square level, dB; NaN where the bands leave no such frequency.
    double stopband_db = 0.0;
    // For each notch, in frequency order: the largest level inside it, shrunk
    // by max(10 % of its width, 2 points) at each end (its middle point when
    // that leaves nothing), relative to the same level, dB.
    std::vector<double> notch_db;
};

// Records longer than this draw their spectrum in pairs of extremes.
inline constexpr std::size_t kPlayedFullDrawLimit = std::size_t{1} << 20;
// At most this many pairs are kept for a long record (16 MB).
inline constexpr std::size_t kPlayedMostPairs = std::size_t{1} << 20;

// The played-once spectrum as drawn: values at equal steps from 0 to the
// bandwidth, relative to the bands' root mean square level. A record up to
// full_limit samples keeps every sub-point (span 1); a longer one keeps, for
// each run of `span` sub-points (whole record points, as few as keep at most
// most_pairs runs), the least and the largest value in the order they come,
// so that every dip and peak still shows at any zoom the graph's columns
// reach.
struct PlayedOnceSpectrum {
    std::size_t full_limit = kPlayedFullDrawLimit;  // asked
    std::size_t most_pairs = kPlayedMostPairs;      // asked
    std::vector<double> values;
    std::size_t span = 1;
};

// The figures of codes played once at 2 x bandwidth kHz, each code c standing
// for 2 c / 4095 - 1 and their mean removed (a DC offset, not part of the
// design). With profile given (its points k at k x bandwidth / size kHz), the
// bands and notches are the profile's, and its levels the reference of the
// ripple; otherwise they come from the record's own points. With figures
// given, it receives the figures of the codes as FiguresOfCodes gives them
// (the half-maximum band from the same transform). The transforms run in
// single precision, which holds the spectrum some 140 dB below its largest
// value: one complex buffer of the record's length, 8 bytes a sample. Throws
// Refusal for no codes, or when memory runs out.
PlayedOnceFigures PlayedOnceOfCodes(std::span<const std::uint16_t> codes, double bandwidth_khz,
                                    std::span<const double> profile = {},
                                    PlayedOnceSpectrum* shown = nullptr,
                                    WaveformFigures* figures = nullptr);

// The same for samples as the .swf writer would store them, each coded on
// the way (no copy of the record is made).
PlayedOnceFigures PlayedOnceOfSamples(std::span<const double> samples, double bandwidth_khz,
                                      std::span<const double> profile = {},
                                      PlayedOnceSpectrum* shown = nullptr,
                                      WaveformFigures* figures = nullptr);

// "key: value" lines: bands_from, bands_khz, notches_khz, ripple_db,
// stopband_db, notch_db; numbers as short as read back exactly, "none" for a
// figure that has no value.
std::string PlayedOnceText(const PlayedOnceFigures& f);

// The same rounded for the eye, one line ("ripple −0.3/+0.2 dB, stop band
// −72 dB, notch −49 dB").
std::string PlayedOnceSummary(const PlayedOnceFigures& f);

// The figures of a waveform as the window shows them, one a line, rounded
// for the eye; played, when given, adds the played-once figures. The share of
// samples at full scale is stated, not called clipping: every waveform this
// program makes reaches full scale by its normalisation, and an optimised one
// sits there on purpose.
std::string FiguresForEye(const WaveformFigures& w, const PlayedOnceFigures* played);

}  // namespace pelorin
