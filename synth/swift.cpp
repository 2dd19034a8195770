#include "synth/swift.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "display/maxmin.h"
#include "platform/fft.h"

namespace pelorin {

namespace {

// 4N must stay a valid int transform length for the spectrum check.
constexpr int kMaxPoints = 1 << 28;

Refusal TooLarge() {
    return Refusal("Error",
                   "The profile's levels are too large or not numbers, so its power cannot be "
                   "computed: set the bands to finite levels of moderate size before "
                   "synthesising.");
}

}  // namespace

void SwiftPhases(std::span<const double> magnitude, int factor, std::span<double> phase) {
    if (phase.size() != magnitude.size())
        throw std::invalid_argument("SwiftPhases: the phase span must match the profile.");
    if (magnitude.empty())
        throw Refusal("Error", "The profile is empty: apply Set/Reset before synthesising.");

    double total = 0.0;
    for (double m : magnitude)
        total += m * m;
    if (!std::isfinite(total))  // also a NaN level
        throw TooLarge();
    if (total == 0.0)
        throw Refusal("Error",
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

void ProcessSwift(Workspace& ws, int factor, std::vector<double>* check, SwiftWork* lent) {
    const int n = ws.datapts;
    if (n < 1)
        throw Refusal("Error", "There is no profile to synthesise (" + std::to_string(n) +
                                   " points): apply Set/Reset first.");
    if (static_cast<std::size_t>(n) > ws.Magnitude.size())
        throw Refusal("Error", "The waveform was to be made from " + std::to_string(n) +
                                   " profile points but the profile holds only " +
                                   std::to_string(ws.Magnitude.size()) +
                                   ": apply Set/Reset to start a new profile.");
    if (n > kMaxPoints)
        throw Refusal("Error", "The profile has " + std::to_string(n) + " points; at most " +
                                   std::to_string(kMaxPoints) +
                                   " can be synthesised: apply Set/Reset with fewer samples.");

    const auto points = static_cast<std::size_t>(n);
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
        const double* magnitude = ws.Magnitude.data();
        SwiftPhases({magnitude, points}, factor, {im, points});
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

        std::vector<double> swift = lent ? std::move(lent->spare) : std::vector<double>();
        swift.assign(re, re + samples);
        double max = 0.0;
        double min = 0.0;
        int imax = 0;
        int imin = 0;
        MaxMin1D(swift, max, imax, min, imin);
        const double divisor = std::fabs(min) >= max ? std::fabs(min) : max;
        const double scale = 1.0 / divisor;
        if (!(divisor > 0.0) || !std::isfinite(scale))
            throw Refusal("Error",
                          "The synthesised waveform has no measurable amplitude: raise the "
                          "levels of the profile and synthesise again.");
        for (double& s : swift)
            s *= scale;

        std::vector<double> spectrum;
        if (check != nullptr) {
            // The work arrays still hold the complex time signal (not the
            // normalised waveform) and, from 2N on, zeros that nothing has
            // written: the transform pads the signal to twice its length, so
            // that check point i stands for i * bandwidth / 2N kHz. The
            // magnitudes take the left-out 1/2N scale.
            ForwardFft(work, 2 * samples);
            const double unscale = 1.0 / static_cast<double>(samples);
            spectrum.resize(samples);
            for (std::size_t i = 0; i < samples; ++i)
                spectrum[i] = std::sqrt(re[i] * re[i] + im[i] * im[i]) * unscale;
        }

        std::swap(ws.Swift, swift);
        if (lent)
            lent->spare = std::move(swift);
        ws.datapts = 2 * n;
        ws.SwiftFlag = 1;
        if (check != nullptr)
            *check = std::move(spectrum);
    } catch (const std::bad_alloc&) {
        throw Refusal("Error", "There is not enough memory to synthesise a waveform of " +
                                   std::to_string(samples) +
                                   " samples: close other programs or use fewer samples.");
    }
}

}  // namespace pelorin
