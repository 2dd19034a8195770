#include "core/synth/swift.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/display/maxmin.h"
#include "core/synth/fft.h"

namespace pelorin {

namespace {

// 4N must stay a valid int transform length for the spectrum check.
constexpr std::size_t kMaxPoints = std::size_t{1} << 28;

Refusal TooLarge() {
    return Refusal(
        "The profile's levels are too large or not numbers, so its power cannot be "
        "computed: set the bands to finite levels of moderate size before "
        "synthesising.");
}

}  // namespace

void SwiftPhases(std::span<const double> magnitude, int factor, std::span<double> phase) {
    if (phase.size() != magnitude.size())
        throw std::invalid_argument("SwiftPhases: the phase span must match the profile.");
    if (magnitude.empty())
        throw Refusal("The profile is empty: apply Set/Reset before synthesising.");

    double total = 0.0;
    for (double m : magnitude)
        total += m * m;
    if (!std::isfinite(total))  // also a NaN level
        throw TooLarge();
    if (total == 0.0)
        throw Refusal(
            "The profile has no power (every point is 0): set a band to a nonzero "
            "level before synthesising.");

    // Each term, and the order of the operations in it, is kept as the phase
    // law was first written (pi as 3.14159, the division by S per point rather
    // than a reciprocal), so that waveforms stay identical to the last bit.
    const double points = static_cast<double>(magnitude.size());
    const double half = points / 2.0;
    const double quarter = points / 4.0;
    const double sweep = 3.14159 * (2.0 * static_cast<double>(factor));
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = 0; i < magnitude.size(); ++i) {
        s1 += magnitude[i] * magnitude[i];
        s2 += s1;
        phase[i] = sweep * ((half * s2) / total + quarter * static_cast<double>(i)) / points;
    }
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

SplitComplexBuffer& SwiftWork::Buffer(std::size_t n) {
    if (!buffer_ || buffer_->size() != n) {
        buffer_.reset();  // the old one goes before the new one is taken
        buffer_.emplace(n);
    }
    return *buffer_;
}

void SynthesiseSwift(std::span<const double> profile, int factor, std::vector<double>& waveform,
                     std::vector<double>* check, SwiftWork* lent) {
    if (profile.size() > kMaxPoints)
        throw Refusal("The profile has " + std::to_string(profile.size()) + " points; at most " +
                      std::to_string(kMaxPoints) +
                      " can be synthesised: apply Set/Reset with fewer samples.");
    const std::size_t points = profile.size();
    const std::size_t samples = 2 * points;
    try {
        // Only the spectrum check needs room beyond 2N, to pad the time signal
        // in place; without it half the memory does.
        const std::size_t size = check != nullptr ? 4 * points : samples;
        std::optional<SplitComplexBuffer> own;
        SplitComplexBuffer& work = lent ? lent->Buffer(size) : own.emplace(size);
        double* re = work.re();
        double* im = work.im();
        // The phases are computed into the imaginary array and turned into
        // Cartesian form in place. Bins N to 2N-1, the negative frequencies,
        // stay zero.
        const double* magnitude = profile.data();
        SwiftPhases(profile, factor, {im, points});
        for (std::size_t i = 0; i < points; ++i) {
            // A local copy of the phase lets the compiler fuse cos and sin into
            // one sincos call.
            const double phase = im[i];
            re[i] = magnitude[i] * std::cos(phase);
            im[i] = magnitude[i] * std::sin(phase);
        }
        // A lent buffer holds the last synthesis: clear everything beyond the
        // profile, the upper half of the spectrum and the check's padding.
        std::fill(re + points, re + size, 0.0);
        std::fill(im + points, im + size, 0.0);

        // The 1/2N scale of the inverse transform is left out: the
        // normalisation below cancels it. For a power-of-two 2N scaling is
        // exact (short of subnormal numbers), so leaving it out gives the same
        // samples to the last bit with one pass over the data fewer.
        InverseFftUnscaled(work, samples);

        double max = 0.0;
        double min = 0.0;
        int imax = 0;
        int imin = 0;
        MaxMin1D({re, samples}, max, imax, min, imin);
        const double divisor = std::fabs(min) >= max ? std::fabs(min) : max;
        const double scale = 1.0 / divisor;
        if (!(divisor > 0.0) || !std::isfinite(scale))
            throw Refusal(
                "The synthesised waveform has no measurable amplitude: raise the levels of the "
                "profile and synthesise again.");
        // A series hands back the same vector every time: its storage is
        // reused, which spares touching fresh memory for every member. With a
        // check to make, a fresh vector keeps the waveform untouched should
        // the check fail.
        std::vector<double> fresh;
        const bool in_place = check == nullptr && waveform.capacity() >= samples;
        std::vector<double>& out = in_place ? waveform : fresh;
        out.resize(samples);
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = re[i] * scale;

        if (check != nullptr) {
            // The work arrays still hold the complex time signal (not the
            // normalised waveform) and, from 2N on, zeros that nothing has
            // written: the transform pads the signal to twice its length, so
            // that check point i stands for i * bandwidth / 2N kHz. The
            // magnitudes take the left-out 1/2N scale.
            std::vector<double> spectrum(samples);
            ForwardFft(work, 2 * samples);
            const double unscale = 1.0 / static_cast<double>(samples);
            for (std::size_t i = 0; i < samples; ++i)
                spectrum[i] = std::sqrt(re[i] * re[i] + im[i] * im[i]) * unscale;
            *check = std::move(spectrum);
        }
        if (!in_place)
            waveform = std::move(fresh);
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to synthesise a waveform of " +
                      std::to_string(samples) +
                      " samples: close other programs or use fewer samples.");
    }
}

void ProcessSwift(Workspace& ws, int factor, std::vector<double>* check, SwiftWork* work) {
    const int n = ws.datapts;
    if (n < 1)
        throw Refusal("There is no profile to synthesise (" + std::to_string(n) +
                      " points): apply Set/Reset first.");
    if (static_cast<std::size_t>(n) > ws.Magnitude.size())
        throw Refusal("The waveform was to be made from " + std::to_string(n) +
                      " profile points but the profile holds only " +
                      std::to_string(ws.Magnitude.size()) +
                      ": apply Set/Reset to start a new profile.");
    SynthesiseSwift(std::span<const double>(ws.Magnitude).first(static_cast<std::size_t>(n)),
                    factor, ws.Swift, check, work);
    ws.datapts = 2 * n;
}

}  // namespace pelorin
