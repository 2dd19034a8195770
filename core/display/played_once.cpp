#include "core/display/played_once.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

#include "core/files/swf.h"
#include "core/memory.h"
#include "core/refusal.h"
#include "core/synth/fft.h"
#include "core/synth/polar.h"

namespace pelorin {

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

std::string Exact(double v) {
    if (std::isnan(v))
        return "none";
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v).ptr};
}

// Gathers the figures from the sub-points as they come, in any order.
class Tally {
public:
    Tally(const std::vector<DesignBand>& bands, std::span<const double> profile, double point_khz,
          std::size_t notches)
        : profile_(profile), point_khz_(point_khz), notch_(notches, 0.0) {
        // The largest level of each band, below half of which the design's
        // level is no reference for the ripple.
        for (const DesignBand& b : bands) {
            double largest = 0.0;
            if (!profile.empty()) {
                const auto first = static_cast<std::size_t>(std::lround(b.span.lo_khz / point_khz));
                const auto last = static_cast<std::size_t>(std::lround(b.span.hi_khz / point_khz));
                for (std::size_t k = first; k <= last && k < profile.size(); ++k)
                    largest = std::max(largest, std::fabs(profile[k]));
            }
            band_largest_.push_back(largest);
        }
    }

    void Add(const Segment& s, double khz, double magnitude) {
        switch (s.judged) {
            case Judged::Nothing:
                return;
            case Judged::Stop:
                stop_ = std::max(stop_, magnitude);
                any_stop_ = true;
                return;
            case Judged::Notch:
                notch_[static_cast<std::size_t>(s.index)] =
                    std::max(notch_[static_cast<std::size_t>(s.index)], magnitude);
                return;
            case Judged::Ripple:
                break;
        }
        double ratio = magnitude;
        if (!profile_.empty()) {
            const double level = Level(khz);
            if (!(level >= 0.5 * band_largest_[static_cast<std::size_t>(s.index)]) ||
                !(level > 0.0))
                return;
            ratio = magnitude / level;
        }
        level_squares_ += magnitude * magnitude;
        ratio_squares_ += ratio * ratio;
        ratio_min_ = std::min(ratio_min_, ratio);
        ratio_max_ = std::max(ratio_max_, ratio);
        ++count_;
    }

    // The bands' root mean square level; 0 without a ripple region.
    double Reference() const {
        return count_ > 0 ? std::sqrt(level_squares_ / static_cast<double>(count_)) : 0.0;
    }

    void Finish(PlayedOnceFigures& f) const {
        const double ref = Reference();
        const auto db = [ref](double v) { return ref > 0.0 ? 20.0 * std::log10(v / ref) : kNan; };
        if (count_ > 0) {
            const double rms = std::sqrt(ratio_squares_ / static_cast<double>(count_));
            f.ripple_lo_db = 20.0 * std::log10(ratio_min_ / rms);
            f.ripple_hi_db = 20.0 * std::log10(ratio_max_ / rms);
        } else {
            f.ripple_lo_db = f.ripple_hi_db = kNan;
        }
        f.stopband_db = any_stop_ ? db(stop_) : kNan;
        f.notch_db.clear();
        for (double n : notch_)
            f.notch_db.push_back(db(n));
    }

private:
    // The design's level at khz, straight between its points.
    double Level(double khz) const {
        const double x = khz / point_khz_;
        const auto k = static_cast<std::size_t>(std::max(0.0, std::floor(x)));
        if (k + 1 >= profile_.size())
            return std::fabs(profile_[std::min(k, profile_.size() - 1)]);
        const double t = x - static_cast<double>(k);
        return std::fabs(profile_[k]) * (1.0 - t) + std::fabs(profile_[k + 1]) * t;
    }

    std::span<const double> profile_;
    double point_khz_;
    std::vector<double> band_largest_;
    double level_squares_ = 0.0, ratio_squares_ = 0.0;
    double ratio_min_ = std::numeric_limits<double>::infinity(), ratio_max_ = 0.0;
    std::size_t count_ = 0;
    double stop_ = 0.0;
    bool any_stop_ = false;
    std::vector<double> notch_;
};

// What is kept for the graph while the sub-points come.
class Drawing {
public:
    Drawing(PlayedOnceSpectrum* shown, std::size_t length) : shown_(shown) {
        if (!shown_)
            return;
        const std::size_t sub_points = kPlayedPadding / 2 * length;  // below the bandwidth
        if (length <= shown_->full_limit) {
            shown_->span = 1;
            shown_->values.assign(sub_points, 0.0);
            return;
        }
        // Runs of whole record points, as few as keep at most most_pairs.
        const std::size_t points = std::max<std::size_t>(length / 2, 1);
        const std::size_t per_run = (points + std::max<std::size_t>(shown_->most_pairs, 1) - 1) /
                                    std::max<std::size_t>(shown_->most_pairs, 1);
        shown_->span = kPlayedPadding * per_run;
        cells_.assign((sub_points + shown_->span - 1) / shown_->span, Cell{});
    }

    // Sub-point j of the padded spectrum, from 0 up to the bandwidth.
    void Add(std::size_t j, float magnitude) {
        if (!shown_)
            return;
        if (cells_.empty()) {
            if (j < shown_->values.size())
                shown_->values[j] = magnitude;
            return;
        }
        const std::size_t k = j / shown_->span;
        if (k >= cells_.size())
            return;
        Cell& c = cells_[k];
        const auto at = static_cast<std::uint32_t>(j % shown_->span);
        if (magnitude < c.least) {
            c.least = magnitude;
            c.least_at = at;
        }
        if (magnitude >= c.largest) {
            c.largest = magnitude;
            c.largest_at = at;
        }
    }

    void Finish(double reference) {
        if (!shown_)
            return;
        const double scale = reference > 0.0 ? 1.0 / reference : 1.0;
        if (cells_.empty()) {
            for (double& v : shown_->values)
                v *= scale;
            return;
        }
        shown_->values.resize(2 * cells_.size());
        for (std::size_t k = 0; k < cells_.size(); ++k) {
            const Cell& c = cells_[k];
            const bool least_first = c.least_at <= c.largest_at;
            shown_->values[2 * k] = (least_first ? c.least : c.largest) * scale;
            shown_->values[2 * k + 1] = (least_first ? c.largest : c.least) * scale;
        }
        cells_ = {};
    }

private:
    struct Cell {
        float least = std::numeric_limits<float>::infinity();
        float largest = 0.0f;
        std::uint32_t least_at = 0, largest_at = 0;
    };
    PlayedOnceSpectrum* shown_;
    std::vector<Cell> cells_;
};

// The record as stored: each sample as its code stands for it.
class Record {
public:
    explicit Record(std::span<const std::uint16_t> codes) : codes_(codes) {}
    explicit Record(std::span<const double> samples) : samples_(samples) {}
    std::size_t size() const { return codes_.empty() ? samples_.size() : codes_.size(); }
    std::uint16_t Code(std::size_t t) const {
        return codes_.empty() ? SampleCode(samples_[t]) : codes_[t];
    }

private:
    std::span<const std::uint16_t> codes_;
    std::span<const double> samples_;
};

PlayedOnceFigures Analyse(const Record& record, double bandwidth_khz,
                          std::span<const double> profile, PlayedOnceSpectrum* shown,
                          WaveformFigures* figures);

}  // namespace

namespace {

PlayedOnceFigures Analyse(const Record& record, double bandwidth_khz,
                          std::span<const double> profile, PlayedOnceSpectrum* shown,
                          WaveformFigures* figures) {
    const std::size_t length = record.size();
    if (length == 0)
        throw Refusal("A waveform without samples has no played-once spectrum.");
    PlayedOnceFigures f;
    try {
        // The mean, and the figures of the codes themselves.
        double sum = 0.0;
        const WaveformFigures level = LevelFigures(
            length, bandwidth_khz, [&](std::size_t t) { return record.Code(t); }, &sum);
        const double mean = sum / static_cast<double>(length);
        if (figures)
            *figures = level;

        // Sub-point j of the record padded to 8 L samples lies at j fs / 8 L,
        // fs = 2 bandwidth; the record's own point k is sub-point 8 k. For
        // r = 0 .. 4 the record turned by e^(-2 pi i r t / 8 L) and transformed
        // gives sub-points 8 k + r and, past the bandwidth, the mirror images
        // of sub-points 8 k + 8 - r (a real record's spectrum is symmetric):
        // five transforms for the eight offsets, in one complex buffer.
        const double sub_khz = 2.0 * bandwidth_khz /
                               (static_cast<double>(kPlayedPadding) * static_cast<double>(length));
        const std::size_t top = kPlayedPadding / 2 * length;  // the bandwidth itself
        AlignedDoubles block(length + 8);                     // 2 L floats
        auto* y = reinterpret_cast<float*>(block.data());
        const std::size_t capacity = 2 * block.size();
        constexpr std::size_t kChunk = 4096;
        std::array<double, kChunk> centred{}, phase{};
        std::array<double, 2 * kChunk> turned{};
        const double padded = static_cast<double>(kPlayedPadding) * static_cast<double>(length);
        const auto transform = [&](std::size_t r) {
            const double turn = -2.0 * kPi * static_cast<double>(r) / padded;
            for (std::size_t from = 0; from < length; from += kChunk) {
                const std::size_t n = std::min(kChunk, length - from);
                for (std::size_t i = 0; i < n; ++i) {
                    centred[i] = DecodeSample(record.Code(from + i)) - mean;
                    phase[i] = turn * static_cast<double>(from + i);
                }
                if (r == 0) {
                    for (std::size_t i = 0; i < n; ++i) {
                        y[2 * (from + i)] = static_cast<float>(centred[i]);
                        y[2 * (from + i) + 1] = 0.0f;
                    }
                    continue;
                }
                PhasedSpectrum(centred.data(), phase.data(), turned.data(), n);
                for (std::size_t i = 0; i < 2 * n; ++i)
                    y[2 * from + i] = static_cast<float>(turned[i]);
            }
            ForwardComplexFftSingle(y, capacity, length);
        };
        const auto size = [&](std::size_t k) {
            return std::sqrt(y[2 * k] * y[2 * k] + y[2 * k + 1] * y[2 * k + 1]);
        };

        // Offset 0: the record's own points. Their largest (0 Hz aside) gives
        // the half-maximum band and, for a file alone, the bands.
        transform(0);
        const std::size_t points = (length + 1) / 2;
        const std::size_t below_nyquist = length / 2;
        float largest = 0.0f;
        for (std::size_t k = 1; k < std::max<std::size_t>(points, below_nyquist); ++k)
            largest = std::max(largest, size(k));
        double point_khz = 2.0 * bandwidth_khz / static_cast<double>(length);
        if (figures && largest > 0.0f) {
            std::size_t lo = 0, hi = 0;
            for (std::size_t k = 1; k < below_nyquist; ++k)
                if (size(k) >= largest / 2.0f) {
                    lo = lo == 0 ? k : lo;
                    hi = k;
                }
            figures->band_lo_khz = static_cast<double>(lo) * point_khz;
            figures->band_hi_khz = static_cast<double>(hi) * point_khz;
        }
        if (!profile.empty()) {
            f.bands_from_profile = true;
            point_khz = bandwidth_khz / static_cast<double>(profile.size());
            f.bands = BandsOfLevels(profile, point_khz);
        } else {
            f.bands = BandsOf(points, point_khz, [&](std::size_t k) {
                return largest > 0.0f && size(k) >= largest / 2.0f;
            });
        }
        std::size_t notches = 0;
        for (const DesignBand& b : f.bands)
            notches += b.notches.size();
        const SpectrumRegions regions(f.bands, bandwidth_khz, point_khz, sub_khz);
        Tally tally(f.bands, profile, point_khz, notches);
        Drawing drawing(shown, length);
        SpectrumRegions::Walk walk(regions);
        const auto add = [&](std::size_t j, float magnitude) {
            if (j > top)
                return;
            const double khz = static_cast<double>(j) * sub_khz;
            tally.Add(walk.At(khz), khz, magnitude);
            if (j < top)
                drawing.Add(j, magnitude);
        };
        for (std::size_t r = 0; r <= kPlayedPadding / 2; ++r) {
            if (r > 0)
                transform(r);
            // Rising sub-points first, then the mirror images, falling.
            for (std::size_t k = 0; k < length; ++k)
                if (kPlayedPadding * k + r <= top)
                    add(kPlayedPadding * k + r, size(k));
            if (r == 0 || 2 * r == kPlayedPadding)
                continue;  // their mirrors are their own sub-points
            for (std::size_t k = 0; k < length; ++k)
                if (const std::size_t j = kPlayedPadding * k + r; j > top)
                    add(kPlayedPadding * length - j, size(k));
        }
        tally.Finish(f);
        drawing.Finish(tally.Reference());
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory for the played-once spectrum of " +
                      std::to_string(length) + " samples: close other programs and try again.");
    }
    return f;
}

}  // namespace

PlayedOnceFigures PlayedOnceOfCodes(std::span<const std::uint16_t> codes, double bandwidth_khz,
                                    std::span<const double> profile, PlayedOnceSpectrum* shown,
                                    WaveformFigures* figures) {
    return Analyse(Record(codes), bandwidth_khz, profile, shown, figures);
}

PlayedOnceFigures PlayedOnceOfSamples(std::span<const double> samples, double bandwidth_khz,
                                      std::span<const double> profile, PlayedOnceSpectrum* shown,
                                      WaveformFigures* figures) {
    return Analyse(Record(samples), bandwidth_khz, profile, shown, figures);
}

std::string PlayedOnceText(const PlayedOnceFigures& f) {
    std::string bands, notches, notch_db;
    for (const DesignBand& b : f.bands) {
        bands += (bands.empty() ? "" : " ") + Exact(b.span.lo_khz) + " " + Exact(b.span.hi_khz);
        for (const FrequencySpan& n : b.notches)
            notches += (notches.empty() ? "" : " ") + Exact(n.lo_khz) + " " + Exact(n.hi_khz);
    }
    for (double d : f.notch_db)
        notch_db += (notch_db.empty() ? "" : " ") + Exact(d);
    const auto or_none = [](const std::string& s) { return s.empty() ? std::string("none") : s; };
    return std::string("bands_from: ") + (f.bands_from_profile ? "profile" : "spectrum") +
           "\nbands_khz: " + or_none(bands) + "\nnotches_khz: " + or_none(notches) +
           "\nripple_db: " + Exact(f.ripple_lo_db) + " " + Exact(f.ripple_hi_db) +
           "\nstopband_db: " + Exact(f.stopband_db) + "\nnotch_db: " + or_none(notch_db) + "\n";
}

std::string PlayedOnceSummary(const PlayedOnceFigures& f) {
    char text[160];
    std::string out = "Played once: ";
    if (std::isnan(f.ripple_lo_db)) {
        out += "no band";
    } else {
        std::snprintf(text, sizeof text, "ripple %+.2f/%+.2f dB", f.ripple_lo_db, f.ripple_hi_db);
        out += text;
    }
    if (!std::isnan(f.stopband_db)) {
        std::snprintf(text, sizeof text, ", stop band %.0f dB", f.stopband_db);
        out += text;
    }
    double worst = -std::numeric_limits<double>::infinity();
    for (double d : f.notch_db)
        worst = std::max(worst, d);
    if (!f.notch_db.empty()) {
        std::snprintf(text, sizeof text, ", %s %.0f dB",
                      f.notch_db.size() == 1 ? "notch" : "notches", worst);
        out += text;
    }
    out += f.bands_from_profile ? " (bands from the profile)" : " (bands from the spectrum)";
    return out;
}

std::string FiguresForEye(const WaveformFigures& w, const PlayedOnceFigures* played) {
    char text[200];
    std::string out;
    const auto line = [&](const char* format, auto... values) {
        std::snprintf(text, sizeof text, format, values...);
        out += text;
        out += '\n';
    };
    line("%zu samples at %.6g kHz", w.samples, w.bandwidth_khz);
    line("Peak %.3f   RMS %.3f", w.peak, w.rms);
    line("Crest %.2f (%.1f dB)", w.crest_factor, w.crest_factor_db);
    line("At full scale %.3g %%", 100.0 * w.clipped_fraction);
    if (w.band_hi_khz > 0.0)
        line("Half-maximum band %.1f–%.1f kHz", w.band_lo_khz, w.band_hi_khz);
    if (!played)
        return out;
    out += played->bands_from_profile ? "\nPlayed once (bands from the profile)\n"
                                      : "\nPlayed once (bands from the spectrum)\n";
    if (std::isnan(played->ripple_lo_db))
        out += "No band\n";
    else
        line("Ripple %+.2f/%+.2f dB", played->ripple_lo_db, played->ripple_hi_db);
    if (!std::isnan(played->stopband_db))
        line("Stop band %.0f dB", played->stopband_db);
    std::size_t n = 0;
    for (const DesignBand& b : played->bands)
        for (const FrequencySpan& notch : b.notches) {
            if (n < played->notch_db.size())
                line("Notch %.1f–%.1f kHz: %.0f dB", notch.lo_khz, notch.hi_khz,
                     played->notch_db[n]);
            ++n;
        }
    return out;
}

}  // namespace pelorin
