// The optimised phase as it was before it held the played-once spectrum:
// L-BFGS on the p-norm of the record, phases only, magnitudes exact on the
// record's own points. Kept here to time the present method beside it.
#include "bench/previous_crest.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>
#include <string>

#include "core/memory.h"
#include "core/refusal.h"
#include "core/synth/fft.h"
#include "core/synth/swift.h"

namespace pelorin::bench {

namespace {

// The waveform of the active points' phases, and its p-norm with the gradient
// over those phases.
class Objective {
public:
    Objective(std::span<const double> profile, std::vector<std::size_t> active)
        : profile_(profile),
          active_(std::move(active)),
          length_(2 * profile.size()),
          block_(length_ + 2) {}

    // The waveform w = 2 sum_k M_k cos(theta_kt + phi_k), as the synthesis
    // makes it before its normalisation.
    void Signal(std::span<const double> phase) {
        double* y = block_.data();
        std::fill(y, y + length_ + 2, 0.0);
        for (std::size_t j = 0; j < active_.size(); ++j) {
            const std::size_t k = active_[j];
            y[2 * k] = profile_[k] * std::cos(phase[j]);
            y[2 * k + 1] = profile_[k] * std::sin(phase[j]);
        }
        y[0] *= 2.0;
        y[1] = 0.0;
        InverseRealFft(y, block_.size(), length_);
    }

    double WaveformCrest() { return CrestFactor({block_.data(), length_}); }
    double Peak() {
        double peak = 0.0;
        for (std::size_t t = 0; t < length_; ++t)
            peak = std::max(peak, std::fabs(block_.data()[t]));
        return peak;
    }

    // log of (mean((w / scale)^p))^(1/p), p even, and its gradient when asked.
    // The crest factor of the waveform of the last Value, measured before its
    // gradient's transform overwrote the samples.
    double LastCrest() const { return last_crest_; }

    double Value(std::span<const double> phase, int p, double scale,
                 std::vector<double>* gradient) {
        Signal(phase);
        last_crest_ = WaveformCrest();
        double* w = block_.data();
        const double inv = 1.0 / scale;
        double sum = 0.0;
        for (std::size_t t = 0; t < length_; ++t) {
            const double u = w[t] * inv;
            sum += Power(u * u, p / 2);
        }
        const double mean = sum / static_cast<double>(length_);
        const double value = std::log(mean) / p;
        if (!gradient)
            return value;
        // d value / d phi_k = (1 / (p mean L)) sum_t p u_t^(p-1) inv dw_t/dphi_k with
        // dw_t/dphi_k = -2 M_k sin(theta_kt + phi_k): with g = u^(p-1) and G its
        // forward transform, the sum over t is -2 M_k Im(e^{i phi_k} conj(G_k)).
        for (std::size_t t = 0; t < length_; ++t) {
            const double u = w[t] * inv;
            w[t] = u * Power(u * u, p / 2 - 1);
        }
        ForwardRealFft(w, block_.size(), length_);
        gradient->resize(active_.size());
        const double factor = -2.0 * inv / (mean * static_cast<double>(length_));
        for (std::size_t j = 0; j < active_.size(); ++j) {
            const std::size_t k = active_[j];
            if (k == 0) {
                (*gradient)[j] = 0.0;  // the constant term's phase only flips its sign
                continue;
            }
            const double re = w[2 * k], im = w[2 * k + 1];
            const double c = std::cos(phase[j]), s = std::sin(phase[j]);
            (*gradient)[j] = factor * profile_[k] * (s * re - c * im);
        }
        return value;
    }

private:
    static double Power(double v, int n) {
        double r = 1.0;
        for (; n > 0; n >>= 1, v *= v)
            if (n & 1)
                r *= v;
        return r;
    }

    std::span<const double> profile_;
    std::vector<std::size_t> active_;
    std::size_t length_;
    AlignedDoubles block_;
    double last_crest_ = 0.0;
};

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

// phase with the active points' values replaced by x's.
std::vector<double> Phases(std::vector<double> phase, const std::vector<std::size_t>& active,
                           const std::vector<double>& x) {
    for (std::size_t j = 0; j < active.size(); ++j)
        phase[active[j]] = x[j];
    return phase;
}

}  // namespace

std::vector<double> PreviousLowCrestPhases(std::span<const double> profile, int factor,
                                           int iterations) {
    const CrestProgress progress;
    if (2 * profile.size() > kMaxOptimisedSamples)
        throw Refusal("The optimised phase takes waveforms of at most " +
                      std::to_string(kMaxOptimisedSamples) + " samples; this one has " +
                      std::to_string(2 * profile.size()) +
                      ": use the quadratic phase, or fewer samples.");
    std::vector<double> phase = SwiftPhases(profile, factor < 0 || factor == 0 ? -2 : 2);
    std::vector<std::size_t> active;
    for (std::size_t k = 0; k < profile.size(); ++k)
        if (profile[k] != 0.0)
            active.push_back(k);
    if (iterations <= 0 || active.size() < 2)
        return phase;
    std::vector<double> x(active.size());
    for (std::size_t j = 0; j < active.size(); ++j)
        x[j] = phase[active[j]];

    Objective objective(profile, active);
    objective.Signal(x);
    double best_crest = objective.WaveformCrest();
    std::vector<double> best = x;
    // Each pair of the quasi-Newton memory holds two vectors of the active
    // points: at most eight pairs, fewer for long profiles.
    const std::size_t memory_pairs =
        std::clamp<std::size_t>((std::size_t{256} << 20) / (16 * active.size()), 1, 8);

    constexpr int kStages[] = {4, 8, 16, 32, 64, 128, 256, 512};
    constexpr int kStageCount = static_cast<int>(std::size(kStages));
    int done = 0;
    std::vector<double> g, g_new, x_new, d;
    for (int stage = 0; stage < kStageCount && done < iterations; ++stage) {
        const int p = kStages[stage];
        // An equal share of the iterations for each p, the rest for the last.
        const int steps = stage == kStageCount - 1
                              ? iterations - done
                              : std::min(iterations - done, std::max(1, iterations / kStageCount));
        // Measured against the present peak, the powers stay finite.
        objective.Signal(x);
        const double scale = objective.Peak();
        std::deque<std::pair<std::vector<double>, std::vector<double>>> memory;  // (s, y)
        double f = objective.Value(x, p, scale, &g);
        for (int it = 0; it < steps; ++it) {
            // The L-BFGS direction by the two-loop recursion.
            d = g;
            std::vector<double> alpha(memory.size());
            for (std::size_t m = memory.size(); m-- > 0;) {
                const auto& [s, y] = memory[m];
                alpha[m] = Dot(s, d) / Dot(y, s);
                for (std::size_t j = 0; j < d.size(); ++j)
                    d[j] -= alpha[m] * y[j];
            }
            const double gamma = memory.empty()
                                     ? 0.1 / std::sqrt(std::max(Dot(g, g), 1e-300))
                                     : Dot(memory.back().first, memory.back().second) /
                                           Dot(memory.back().second, memory.back().second);
            for (double& v : d)
                v *= gamma;
            for (std::size_t m = 0; m < memory.size(); ++m) {
                const auto& [s, y] = memory[m];
                const double beta = Dot(y, d) / Dot(y, s);
                for (std::size_t j = 0; j < d.size(); ++j)
                    d[j] += s[j] * (alpha[m] - beta);
            }
            for (double& v : d)
                v = -v;
            double slope = Dot(g, d);
            if (!(slope < 0.0)) {  // no descent: the steepest one, memory forgotten
                memory.clear();
                const double norm = std::sqrt(std::max(Dot(g, g), 1e-300));
                for (std::size_t j = 0; j < d.size(); ++j)
                    d[j] = -0.1 * g[j] / norm;
                slope = Dot(g, d);
            }
            // Halving the step until it lowers the objective enough (Armijo).
            double step = 1.0, f_new = 0.0;
            bool moved = false;
            x_new.resize(x.size());
            for (int tries = 0; tries < 30 && !moved; ++tries, step *= 0.5) {
                for (std::size_t j = 0; j < x.size(); ++j)
                    x_new[j] = x[j] + step * d[j];
                f_new = objective.Value(x_new, p, scale, &g_new);
                moved = f_new <= f + 1e-4 * step * slope;
            }
            ++done;
            if (!moved)
                break;  // this p is as low as it goes: on to the next
            std::vector<double> s(x.size()), y(x.size());
            for (std::size_t j = 0; j < x.size(); ++j) {
                s[j] = x_new[j] - x[j];
                y[j] = g_new[j] - g[j];
            }
            if (Dot(s, y) > 1e-12 * std::sqrt(Dot(s, s) * Dot(y, y))) {
                memory.emplace_back(std::move(s), std::move(y));
                if (memory.size() > memory_pairs)
                    memory.pop_front();
            }
            x.swap(x_new);
            g.swap(g_new);
            f = f_new;
            const double now = objective.LastCrest();  // of x_new, now x
            if (now < best_crest) {
                best_crest = now;
                best = x;
            }
            if (progress && !progress(done, iterations))
                return Phases(phase, active, best);
        }
        if (progress && !progress(done, iterations))
            break;
    }
    return Phases(phase, active, best);
}

}  // namespace pelorin::bench
