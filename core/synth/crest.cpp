#include "core/synth/crest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/memory.h"
#include "core/refusal.h"
#include "core/synth/fft.h"
#include "core/synth/passband.h"
#include "core/synth/swift.h"

namespace pelorin {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The spectrum is held on the record zero-padded to this many times its
// length: between the record's own points as well as on them.
constexpr std::size_t kPadding = 4;

// The mask the iterations hold the padded spectrum to, a little inside what
// is promised so that the eight-times spectrum between these points keeps
// the promise too: the tapered design within this many dB in the bands, and
// nothing above the floor outside them (the notch floor inside a band's span).
constexpr double kHeldRippleDb = 0.25;
constexpr double kHeldStopDb = -45.0;
constexpr double kHeldNotchDb = -34.0;
// What a record must meet on the four-times spectrum to be kept as the best
// so far: measured against the eight-times spectrum of stored codes, the two
// differ by at most 0.05 dB in a band, 0.85 dB in the stop band and 0.25 dB
// in a notch.
constexpr double kKeptRippleDb = 0.42;
constexpr double kKeptStopDb = -41.5;
constexpr double kKeptNotchDb = -31.5;

// The clipping level, in root mean square levels: it falls from the start's
// crest factor (at most kFirstCrest) to kRampCrest over the first kRampShare
// of the iterations, then follows the records, lowered a little after one
// that keeps the mask and raised a little after one that does not.
constexpr double kFirstCrest = 2.2;
constexpr double kRampCrest = 1.40;
constexpr double kRampShare = 0.3;
constexpr double kLower = 0.998;
constexpr double kRaise = 1.004;
// Each clamp of the spectrum goes this much beyond the mask's bound
// (over-relaxed), which reaches lower crest factors in fewer iterations.
constexpr double kOverRelax = 1.8;
// When no iterate has kept the mask, at most this many more iterations
// without clipping polish the spectrum into it.
constexpr int kPolish = 20;
// The start sweeps the record, each frequency's delay following the running
// sum of the square root of the design's level, with a margin at each end of
// at least this share of the record, and at least half the time that the
// edge zone of the narrowest band takes to play (its spread in time).
constexpr double kSweepMargin = 0.005;
constexpr double kSweepEdgeTimes = 0.5;

double Db(double db) {
    return std::pow(10.0, db / 20.0);
}

// 0 below 0, 1 above 1, a raised cosine between.
double Rise(double x) {
    return 0.5 - 0.5 * std::cos(kPi * std::clamp(x, 0.0, 1.0));
}

// What each bin of the padded spectrum is held to and judged by.
struct Mask {
    enum Kind : std::uint8_t { Free, Ripple, Stop, Notch };
    std::vector<double> level;          // the tapered design level (0 outside the bands)
    std::vector<Kind> kind;             // the region a record is judged by
    std::vector<std::uint8_t> spanned;  // inside a band's span: the notch floor
    double reference = 0.0;             // root mean square of level over the ripple bins
    double narrowest = 0.0;             // the narrowest band's width, points
};

// The design's level at each padded bin with raised-cosine edges: over 2 % of
// a band's width each side of its edge (inside the band alone at 0 Hz and at
// the top), and over a notch's margin each side of a notch's edge.
Mask MakeMask(std::span<const double> profile, std::size_t bins, double sub_points) {
    const std::vector<DesignBand> bands = BandsOfLevels(profile, 1.0);  // in points
    const double top = static_cast<double>(profile.size());
    const SpectrumRegions regions(bands, top, 1.0, sub_points);
    Mask m;
    m.level.assign(bins, 0.0);
    m.kind.assign(bins, Mask::Free);
    m.spanned.assign(bins, 0);
    m.narrowest = top;
    // The design's level inside a band's span, the larger of the two points
    // around p, with each notch's points filled from its neighbours: the
    // tapers alone shape the edges and the notches.
    std::vector<double> filled(profile.size());
    for (std::size_t k = 0; k < profile.size(); ++k)
        filled[k] = std::fabs(profile[k]);
    for (const DesignBand& b : bands)
        for (const FrequencySpan& n : b.notches) {
            const auto ns = static_cast<std::size_t>(n.lo_khz),
                       ne = static_cast<std::size_t>(n.hi_khz);
            const double left = filled[ns - 1], right = filled[ne + 1];
            for (std::size_t k = ns; k <= ne; ++k)
                filled[k] = left + (right - left) * static_cast<double>(k - ns + 1) /
                                       static_cast<double>(ne - ns + 2);
        }
    const auto design = [&](double p, double first, double last) {
        const auto k = static_cast<std::size_t>(std::clamp(p, first, last));
        return k + 1 < filled.size() ? std::max(filled[k], filled[k + 1]) : filled[k];
    };
    const auto bin = [&](double p) {
        return static_cast<std::size_t>(
            std::clamp(p / sub_points, 0.0, static_cast<double>(bins - 1)));
    };
    for (const DesignBand& b : bands) {
        const double first = b.span.lo_khz, last = b.span.hi_khz, h = kBandEdge * (last - first);
        m.narrowest = std::min(m.narrowest, last - first);
        const double lo0 = first == 0.0 ? 0.0 : std::max(first - h, 0.0);
        const double lo1 = first == 0.0 ? h : first + h;
        const double hi0 = last >= top - 1.0 ? top - 1.0 - h : last - h;
        const double hi1 = last >= top - 1.0 ? top : std::min(last + h, top);
        for (std::size_t j = bin(lo0); j <= bin(hi1); ++j) {
            const double p = static_cast<double>(j) * sub_points;
            const double up = lo1 > lo0 ? Rise((p - lo0) / (lo1 - lo0)) : (p >= lo0 ? 1.0 : 0.0);
            const double down = hi1 > hi0 ? Rise((p - hi0) / (hi1 - hi0)) : (p > hi1 ? 1.0 : 0.0);
            double taper = up * (1.0 - down);
            for (const FrequencySpan& n : b.notches) {
                const double margin = NotchMargin(n, 1.0);
                taper *= 1.0 - Rise((p - n.lo_khz + margin) / (2.0 * margin)) *
                                   (1.0 - Rise((p - n.hi_khz + margin) / (2.0 * margin)));
            }
            m.level[j] = std::max(m.level[j], taper * design(p, first, last));
            if (p >= first && p <= last)
                m.spanned[j] = 1;
        }
    }
    double squares = 0.0;
    std::size_t count = 0;
    for (std::size_t j = 0; j < bins; ++j) {
        switch (regions.At(static_cast<double>(j) * sub_points).judged) {
            case Judged::Ripple:
                if (m.level[j] > 0.0) {
                    m.kind[j] = Mask::Ripple;
                    squares += m.level[j] * m.level[j];
                    ++count;
                }
                break;
            case Judged::Stop:
                m.kind[j] = Mask::Stop;
                break;
            case Judged::Notch:
                m.kind[j] = Mask::Notch;
                break;
            case Judged::Nothing:
                break;
        }
    }
    m.reference = count > 0 ? std::sqrt(squares / static_cast<double>(count)) : 0.0;
    return m;
}

double Rms(std::span<const double> x) {
    double squares = 0.0;
    for (double v : x)
        squares += v * v;
    return std::sqrt(squares / static_cast<double>(x.size()));
}

}  // namespace

double CrestFactor(std::span<const double> samples) {
    double peak = 0.0, squares = 0.0;
    for (double s : samples) {
        peak = std::max(peak, std::fabs(s));
        squares += s * s;
    }
    return squares > 0.0 ? peak / std::sqrt(squares / static_cast<double>(samples.size())) : 0.0;
}

std::vector<double> LowCrestRecord(std::span<const double> profile, int factor, int iterations,
                                   const CrestProgress& progress) {
    if (2 * profile.size() > kMaxOptimisedSamples)
        throw Refusal("The optimised phase takes waveforms of at most " +
                      std::to_string(kMaxOptimisedSamples) + " samples; this one has " +
                      std::to_string(2 * profile.size()) +
                      ": use the quadratic phase, or fewer samples.");
    SwiftPhases(profile, -1);  // refuses what the synthesis refuses
    const std::size_t length = 2 * profile.size();
    const std::size_t padded = kPadding * length;
    const std::size_t bins = padded / 2 + 1;
    const double sub = 1.0 / static_cast<double>(kPadding);
    const Mask mask = MakeMask(profile, bins, sub);

    // The start: the tapered design swept over the record without wrapping,
    // upward for a negative factor.
    AlignedDoubles block(padded + 2);
    double* y = block.data();
    {
        double total = 0.0;
        for (double v : mask.level)
            total += std::sqrt(v);
        const double l = static_cast<double>(length);
        const double margin =
            std::max(kSweepMargin * l, kSweepEdgeTimes * l / (2.0 * kBandEdge * mask.narrowest));
        double before = 0.0, phase = 0.0;
        for (std::size_t j = 0; j < bins; ++j) {
            const double w = std::sqrt(mask.level[j]);
            double share = total > 0.0 ? (before + 0.5 * w) / total : 0.0;
            if (factor > 0)
                share = 1.0 - share;
            const double delay = margin + (l - 2.0 * margin) * share;
            phase = std::fmod(phase - 2.0 * kPi * delay / static_cast<double>(padded), 2.0 * kPi);
            y[2 * j] = mask.level[j] * std::cos(phase);
            y[2 * j + 1] = mask.level[j] * std::sin(phase);
            before += w;
        }
        y[1] = 0.0;
        y[padded + 1] = 0.0;
        InverseRealFft(y, block.size(), padded);
    }
    const double inverse = 1.0 / static_cast<double>(padded);
    std::vector<double> x(length);
    for (std::size_t t = 0; t < length; ++t)
        x[t] = y[t] * inverse;

    const double held_lo = Db(-kHeldRippleDb), held_hi = Db(kHeldRippleDb);
    const double held_stop = Db(kHeldStopDb), held_notch = Db(kHeldNotchDb);
    const double kept_lo = Db(-kKeptRippleDb), kept_hi = Db(kKeptRippleDb);
    const double kept_stop = Db(kKeptStopDb), kept_notch = Db(kKeptNotchDb);

    std::vector<double> size(bins);  // of each bin of the padded spectrum
    std::vector<double> best;
    double best_crest = std::numeric_limits<double>::infinity();
    double best_scale = 0.0, scale = 0.0;
    const double first_crest = std::min(kFirstCrest, CrestFactor(x));
    const int ramp = static_cast<int>(kRampShare * iterations);
    double gamma = first_crest;
    bool kept = false;
    const auto cancelled = [&](int done) { return progress && !progress(done, iterations); };

    // Each pass: the record clipped (unless polishing), its padded spectrum
    // judged, then held in the mask and made a record again. With no
    // iterations asked for, the start is judged and returned as it is.
    for (int it = 0;; ++it) {
        const bool polishing = it >= iterations;
        if (polishing && it > 0 && (best_scale > 0.0 || it >= iterations + kPolish))
            break;
        if (!polishing) {
            if (it <= ramp)
                gamma =
                    ramp > 0 ? first_crest + (kRampCrest - first_crest) * it / ramp : kRampCrest;
            else
                gamma *= kept ? kLower : kRaise;
            if (it > 0) {
                const double limit = gamma * Rms(x);
                for (double& v : x)
                    v = std::clamp(v, -limit, limit);
            }
        }
        std::copy(x.begin(), x.end(), y);
        std::fill(y + length, y + padded + 2, 0.0);
        ForwardRealFft(y, block.size(), padded);
        for (std::size_t j = 0; j < bins; ++j)
            size[j] = std::sqrt(y[2 * j] * y[2 * j] + y[2 * j + 1] * y[2 * j + 1]);

        // The bands' level: the root mean square of the spectrum over the
        // design's level there.
        double squares = 0.0;
        std::size_t count = 0;
        for (std::size_t j = 0; j < bins; ++j)
            if (mask.kind[j] == Mask::Ripple) {
                const double r = size[j] / mask.level[j];
                squares += r * r;
                ++count;
            }
        scale = count > 0 ? std::sqrt(squares / static_cast<double>(count)) : 0.0;
        if (!(scale > 0.0))
            break;
        // Each clip takes a little of the record's energy and nothing gives
        // it back: over many iterations the record would shrink towards
        // nothing. Everything here is relative to scale, so a power of two
        // brings it back exactly, changing no step's outcome.
        if (scale < 0x1p-64 || scale > 0x1p64) {
            const double f = std::ldexp(1.0, -std::ilogb(scale));
            for (double& v : x)
                v *= f;
            for (std::size_t j = 0; j < 2 * bins; ++j)
                y[j] *= f;
            for (double& v : size)
                v *= f;
            scale *= f;
        }

        // Judged as it stands: kept if it meets the mask and beats the best.
        const double ref = scale * mask.reference;
        kept = true;
        for (std::size_t j = 0; j < bins && kept; ++j) {
            const double a = size[j];
            switch (mask.kind[j]) {
                case Mask::Ripple:
                    kept = a >= kept_lo * scale * mask.level[j] &&
                           a <= kept_hi * scale * mask.level[j];
                    break;
                case Mask::Stop:
                    kept = a <= kept_stop * ref;
                    break;
                case Mask::Notch:
                    kept = a <= kept_notch * ref;
                    break;
                case Mask::Free:
                    break;
            }
        }
        if (kept) {
            const double crest = CrestFactor(x);
            if (crest < best_crest) {
                best = x;
                best_crest = crest;
                best_scale = scale;
            }
        }
        if (iterations == 0 || (polishing ? kept : cancelled(it + 1)))
            break;

        // The spectrum held in the mask, over-relaxed, each bin's phase kept.
        for (std::size_t j = 0; j < bins; ++j) {
            const double a = size[j];
            const double t = scale * mask.level[j];
            const double floor = (mask.spanned[j] ? held_notch : held_stop) * ref;
            const double to = std::clamp(a, held_lo * t, std::max(held_hi * t, floor));
            if (to == a)
                continue;
            if (a > 0.0) {
                const double f = 1.0 + kOverRelax * (to / a - 1.0);
                y[2 * j] *= f;
                y[2 * j + 1] *= f;
            } else {
                y[2 * j] = to;
            }
        }
        y[1] = 0.0;
        y[padded + 1] = 0.0;
        InverseRealFft(y, block.size(), padded);
        for (std::size_t t = 0; t < length; ++t)
            x[t] = y[t] * inverse;
    }
    if (!(best_scale > 0.0)) {
        // Nothing kept the mask: the last record, as the synthesis scales one.
        best = std::move(x);
        best_scale = scale;
    }
    // As the synthesis makes a record: the spectrum at point k is the
    // profile's level there times the record's length.
    if (best_scale > 0.0) {
        const double to_design = static_cast<double>(length) / best_scale;
        for (double& v : best)
            v *= to_design;
    }
    return best;
}

}  // namespace pelorin
