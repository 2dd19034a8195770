#include "core/synth/swift.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <compare>
#include <cstddef>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/maxmin.h"
#include "core/refusal.h"
#include "core/synth/fft.h"
#include "core/synth/polar.h"

namespace pelorin {

namespace {

constexpr double kPi = 3.14159265358979323846;

// 2N must stay a valid int transform length.
constexpr std::size_t kMaxPoints = std::size_t{1} << 28;

Refusal TooLarge() {
    return Refusal(
        "The profile's levels are too large or not numbers, so its power cannot be "
        "computed: set the bands to finite levels of moderate size before "
        "synthesising.");
}

// phase[i] = sweep * ((half * s2[i]) / total + quarter * i) / points, with
// s2 given in phase.
void PhaseLawScalar(std::span<double> phase, std::size_t from, double sweep, double half,
                    double quarter, double total, double points) {
    for (std::size_t i = from; i < phase.size(); ++i)
        phase[i] = sweep * ((half * phase[i]) / total + quarter * static_cast<double>(i)) / points;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void PhaseLawVector(std::span<double> phase, double sweep,
                                                    double half, double quarter, double total,
                                                    double points) {
    const __m256d vs = _mm256_set1_pd(sweep), vh = _mm256_set1_pd(half),
                  vq = _mm256_set1_pd(quarter), vt = _mm256_set1_pd(total),
                  vp = _mm256_set1_pd(points), four = _mm256_set1_pd(4.0);
    __m256d index = _mm256_set_pd(3.0, 2.0, 1.0, 0.0);
    std::size_t i = 0;
    for (; i + 4 <= phase.size(); i += 4) {
        const __m256d s2 = _mm256_loadu_pd(phase.data() + i);
        const __m256d sum =
            _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(vh, s2), vt), _mm256_mul_pd(vq, index));
        _mm256_storeu_pd(phase.data() + i, _mm256_div_pd(_mm256_mul_pd(vs, sum), vp));
        index = _mm256_add_pd(index, four);
    }
    PhaseLawScalar(phase, i, sweep, half, quarter, total, points);
}

bool HasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

#endif

void QuadraticLaw(std::span<double> phase, double sweep, double half, double quarter, double total,
                  double points) {
#if defined(__x86_64__)
    if (HasAvx2()) {
        PhaseLawVector(phase, sweep, half, quarter, total, points);
        return;
    }
#endif
    PhaseLawScalar(phase, 0, sweep, half, quarter, total, points);
}

// The largest excursion of y (none is NaN): the larger of its maximum and the
// size of its minimum, the minimum's when they tie.
double LargestExcursion(const double* y, std::size_t n) {
    const ValueBounds b = BoundsOf({y, n});
    return std::fabs(b.lo) >= b.hi ? std::fabs(b.lo) : b.hi;
}

}  // namespace

void SwiftPhases(std::span<const double> magnitude, int factor, std::span<double> phase) {
    if (phase.size() != magnitude.size())
        throw std::invalid_argument("SwiftPhases: the phase span must match the profile.");
    if (magnitude.empty())
        throw Refusal("The profile is empty: apply Set/Reset before synthesising.");

    // Each term, and the order of the operations in it, is kept as the phase
    // law was first written (pi as 3.14159, the division by S per point rather
    // than a reciprocal), so that waveforms stay identical to the last bit.
    // The running sums come first, in one pass that keeps S2 in `phase`; the
    // last S1 is the total power S, summed in the same order. The divisions
    // then run four at a time.
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = 0; i < magnitude.size(); ++i) {
        s1 += magnitude[i] * magnitude[i];
        s2 += s1;
        phase[i] = s2;
    }
    const double total = s1;
    if (!std::isfinite(total))  // also a NaN level
        throw TooLarge();
    if (total == 0.0)
        throw Refusal(
            "The profile has no power (every point is 0): set a band to a nonzero "
            "level before synthesising.");
    const double points = static_cast<double>(magnitude.size());
    QuadraticLaw(phase, 3.14159 * (2.0 * static_cast<double>(factor)), points / 2.0, points / 4.0,
                 total, points);
    // The phases grow in size along the profile: the last one is the first to
    // overflow.
    if (!std::isfinite(phase.back()))
        throw TooLarge();
}

std::vector<double> SwiftPhases(std::span<const double> magnitude, int factor) {
    std::vector<double> phase(magnitude.size());
    SwiftPhases(magnitude, factor, phase);
    return phase;
}

AlignedDoubles& SwiftWork::Block(std::size_t n) {
    if (block_.size() != n) {
        block_ = AlignedDoubles();  // the old one goes before the new one is taken
        block_ = AlignedDoubles(n);
    }
    return block_;
}

namespace {

// Reads y[i] * scale: fills a waveform in one pass, without zeroing it first.
class ScaledReader {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = double;
    using difference_type = std::ptrdiff_t;
    using pointer = const double*;
    using reference = double;

    ScaledReader(const double* y, double scale) : y_(y), scale_(scale) {}
    double operator*() const { return *y_ * scale_; }
    double operator[](difference_type i) const { return y_[i] * scale_; }
    ScaledReader& operator++() {
        ++y_;
        return *this;
    }
    ScaledReader operator++(int) {
        ScaledReader was = *this;
        ++y_;
        return was;
    }
    ScaledReader& operator--() {
        --y_;
        return *this;
    }
    ScaledReader operator--(int) {
        ScaledReader was = *this;
        --y_;
        return was;
    }
    ScaledReader& operator+=(difference_type d) {
        y_ += d;
        return *this;
    }
    ScaledReader& operator-=(difference_type d) {
        y_ -= d;
        return *this;
    }
    // The whole random-access interface, though assign() uses only part.
    [[maybe_unused]] friend ScaledReader operator+(ScaledReader r, difference_type d) {
        return r += d;
    }
    [[maybe_unused]] friend ScaledReader operator+(difference_type d, ScaledReader r) {
        return r += d;
    }
    [[maybe_unused]] friend ScaledReader operator-(ScaledReader r, difference_type d) {
        return r -= d;
    }
    friend difference_type operator-(const ScaledReader& a, const ScaledReader& b) {
        return a.y_ - b.y_;
    }
    friend bool operator==(const ScaledReader& a, const ScaledReader& b) { return a.y_ == b.y_; }
    [[maybe_unused]] friend auto operator<=>(const ScaledReader& a, const ScaledReader& b) {
        return a.y_ <=> b.y_;
    }

private:
    const double* y_;
    double scale_;
};

// Multiplies the n complex values of y, interleaved, by e^(i angle s) for
// value s, or by e^(i angle (2 s + 1) / 2) with `halves`.
void Turn(double* y, std::size_t n, double angle, bool halves = false) {
    constexpr std::size_t kChunk = 2048;
    std::array<double, kChunk> one, phase;
    std::array<double, 2 * kChunk> turn;
    one.fill(1.0);
    for (std::size_t from = 0; from < n; from += kChunk) {
        const std::size_t m = std::min(kChunk, n - from);
        for (std::size_t i = 0; i < m; ++i) {
            const double s = static_cast<double>(from + i);
            phase[i] = halves ? angle * (2.0 * s + 1.0) / 2.0 : angle * s;
        }
        PhasedSpectrum(one.data(), phase.data(), turn.data(), m);
        for (std::size_t i = 0; i < m; ++i) {
            double* v = y + 2 * (from + i);
            const double c = turn[2 * i], d = turn[2 * i + 1];
            const double re = v[0] * c - v[1] * d;
            v[1] = v[0] * d + v[1] * c;
            v[0] = re;
        }
    }
}

// The spectrum check: the 2N magnitudes of the complex time signal z (the
// one-sided spectrum's inverse, 2N samples) padded to 4N and
// forward-transformed, over 2N. Its even points are the profile's levels; its
// odd ones come from the two halves of z, z[2s] and z[2s + 1], each the
// inverse of N points: A_q = transform of z_q(s) e^(-i pi s / N), and point
// 2k + 1 is A_0[k] + e^(-i pi (2k + 1) / 2N) A_1[k]. So the check needs no
// more than the synthesis' own block (N complex values) beside itself.
std::vector<double> SpectrumCheck(std::span<const double> profile, int factor, double* y,
                                  std::size_t capacity) {
    const std::size_t n = profile.size();
    std::vector<double> check;
    ReserveLarge(check, 2 * n);
    check.resize(2 * n);
    // The phases in the block's upper half, read just before each pair
    // overwrites them, as the synthesis keeps them.
    double* phase = y + n + 2;
    for (int q = 0; q < 2; ++q) {
        SwiftPhases(profile, factor, {phase, n});
        if (q == 1)
            for (std::size_t m = 0; m < n; ++m)
                phase[m] += kPi * static_cast<double>(m) / static_cast<double>(n);
        PhasedSpectrum(profile.data(), phase, y, n);
        InverseComplexFftUnscaled(y, capacity, n);
        Turn(y, n, -kPi / static_cast<double>(n));
        ForwardComplexFft(y, capacity, n);
        if (q == 0)
            std::copy(y, y + 2 * n, check.data());
    }
    Turn(y, n, -kPi / static_cast<double>(n), true);
    const double unscale = 1.0 / static_cast<double>(2 * n);
    for (std::size_t k = 0; k < n; ++k) {
        const double re = check[2 * k] + y[2 * k], im = check[2 * k + 1] + y[2 * k + 1];
        check[2 * k] = std::fabs(profile[k]);
        check[2 * k + 1] = std::sqrt(re * re + im * im) * unscale;
    }
    return check;
}

// The stages of a synthesis at which the operator may cancel, before the
// waveform is written: the check, the phases, their sines and cosines, the
// transform.
constexpr int kStages = 4;

// Throws Cancelled when the operator asked to stop at this stage.
void Stage(const CrestProgress& progress, int done) {
    if (progress && !progress(done, kStages))
        throw Cancelled("The synthesis was cancelled; the profile is as it was.");
}

// The synthesis with the phases of the quadratic law.
void Synthesise(std::span<const double> profile, int factor, std::vector<double>& waveform,
                std::vector<double>* check, SwiftWork* lent, const CrestProgress& progress = {}) {
    if (profile.size() > kMaxPoints)
        throw Refusal("The profile has " + std::to_string(profile.size()) + " points; at most " +
                      std::to_string(kMaxPoints) +
                      " can be synthesised: apply Set/Reset with fewer samples.");
    const std::size_t points = profile.size();
    const std::size_t samples = 2 * points;
    try {
        std::optional<SwiftWork> own;
        SwiftWork& work = lent ? *lent : own.emplace();
        // The one-sided spectrum, bins 0 .. N as (re, im) pairs, in a block of
        // 2N + 2 doubles: the real-output transform turns it into the 2N
        // samples in place. The phases are computed into the block's upper
        // half and read from there just before each pair overwrites them.
        AlignedDoubles& block = work.Block(samples + 2);
        double* y = block.data();
        double* phase = y + points + 2;
        // The check first, in the same block, before the waveform needs it.
        std::vector<double> spectrum;
        if (check != nullptr)
            spectrum = SpectrumCheck(profile, factor, y, block.size());
        Stage(progress, 1);
        SwiftPhases(profile, factor, {phase, points});
        Stage(progress, 2);
        PhasedSpectrum(profile.data(), phase, y, points);
        Stage(progress, 3);
        // The samples are the real part of the complex inverse of bins
        // 0 .. N-1. The real-output transform adds each bin k >= 1 and its
        // mirror 2N - k, giving twice the real part of bin k's share; bin 0
        // counts once, so it enters doubled (its imaginary part adds only to
        // the imaginary samples). The samples come out doubled, which the
        // normalisation below cancels exactly.
        y[0] *= 2.0;
        y[1] = 0.0;
        y[samples] = 0.0;
        y[samples + 1] = 0.0;
        InverseRealFft(y, block.size(), samples);
        Stage(progress, kStages);

        const double divisor = LargestExcursion(y, samples);
        const double scale = 1.0 / divisor;
        if (!(divisor > 0.0) || !std::isfinite(scale))
            throw Refusal(
                "The synthesised waveform has no measurable amplitude: raise the levels of the "
                "profile and synthesise again.");

        // A series hands back the same vector every time: its storage is
        // reused, which spares touching fresh memory for every member. Fresh
        // storage is advised for huge pages before it is first written, and
        // a block of our own gives its pages back as they are read, so that
        // the two are not resident together.
        std::vector<double> fresh;
        const bool in_place = waveform.capacity() >= samples;
        std::vector<double>& out = in_place ? waveform : fresh;
        ReserveLarge(out, samples);
        out.clear();
        constexpr std::size_t kPiece = std::size_t{1} << 18;
        for (std::size_t from = 0; from < samples; from += kPiece) {
            const std::size_t to = std::min(samples, from + kPiece);
            out.insert(out.end(), ScaledReader(y + from, scale), ScaledReader(y + to, scale));
            if (!lent)
                ReleasePages(y + from, (to - from) * sizeof(double));
        }
        if (!in_place)
            waveform = std::move(fresh);
        if (check != nullptr)
            *check = std::move(spectrum);
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to synthesise a waveform of " +
                      std::to_string(samples) +
                      " samples: close other programs or use fewer samples.");
    }
}

}  // namespace

void SynthesiseSwift(std::span<const double> profile, int factor, std::vector<double>& waveform,
                     std::vector<double>* check, SwiftWork* work) {
    Synthesise(profile, factor, waveform, check, work);
}

void SynthesiseSwift(std::span<const double> profile, int factor, std::vector<double>& waveform,
                     std::vector<double>* check, SwiftWork* work, const PhaseChoice& choice,
                     const CrestProgress& progress) {
    if (choice.law == PhaseLaw::Quadratic) {
        Synthesise(profile, factor, waveform, check, work, progress);
        return;
    }
    if (choice.iterations < 0 || choice.iterations > kMaxCrestIterations)
        throw Refusal("The optimised phase takes 0 to " + std::to_string(kMaxCrestIterations) +
                      " iterations, not " + std::to_string(choice.iterations) + ".");
    const std::size_t samples = 2 * profile.size();
    try {
        std::vector<double> record = LowCrestRecord(profile, factor, choice.iterations, progress);
        const double divisor = LargestExcursion(record.data(), record.size());
        const double scale = 1.0 / divisor;
        if (!(divisor > 0.0) || !std::isfinite(scale))
            throw Refusal(
                "The synthesised waveform has no measurable amplitude: raise the levels of the "
                "profile and synthesise again.");
        std::vector<double> spectrum;
        if (check != nullptr) {
            // The spectrum check of the record itself: padded to twice its
            // length, scaled as the quadratic law's check is.
            AlignedDoubles block(2 * samples + 2);
            std::copy(record.begin(), record.end(), block.data());
            std::fill(block.data() + samples, block.data() + block.size(), 0.0);
            ForwardRealFft(block.data(), block.size(), 2 * samples);
            spectrum.resize(samples);
            const double unscale = 1.0 / static_cast<double>(samples);
            for (std::size_t j = 0; j < samples; ++j)
                spectrum[j] = std::hypot(block.data()[2 * j], block.data()[2 * j + 1]) * unscale;
        }
        for (double& v : record)
            v *= scale;
        waveform = std::move(record);
        if (check != nullptr)
            *check = std::move(spectrum);
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to optimise a waveform of " +
                      std::to_string(samples) +
                      " samples: close other programs or use fewer samples.");
    }
}

}  // namespace pelorin
