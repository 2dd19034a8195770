#include "core/workspace/setreset.h"

#include <cmath>
#include <new>
#include <string>

#include "core/memory.h"
#include "core/synth/fft.h"
#include "core/workspace/operations.h"

namespace pelorin {

NewProfile PrepareProfile(int samples, double bandwidth) {
    if (samples < 2 || samples > kMaxSamples)
        throw Refusal("The number of samples must lie between 2 and " +
                      std::to_string(kMaxSamples) + "; " + std::to_string(samples) +
                      " was entered.");
    if (!(bandwidth > 0.0) || !std::isfinite(bandwidth))
        throw Refusal("The bandwidth must be a positive number of kHz.");
    NewProfile p;
    p.points = samples / 2;
    p.bandwidth = bandwidth;
    try {
        // Advised for huge pages before the zeros first touch it.
        ReserveLarge(p.levels, static_cast<std::size_t>(p.points));
        p.levels.assign(static_cast<std::size_t>(p.points), 0.0);
    } catch (const std::bad_alloc&) {
        throw Refusal("Not enough memory for a profile of " + std::to_string(p.points) +
                      " points; the previous profile is kept.");
    }
    return p;
}

void TakeProfile(Workspace& ws, NewProfile&& profile) {
    ws.Magnitude = std::move(profile.levels);
    ws.bandwidth = profile.bandwidth;
    ws.phase = MenuPhase::Editable;
    ws.source = WaveformSource::None;
    // The old waveform can no longer be stored: its memory goes back, as do
    // the plans of transforms longer than this profile's records need.
    std::vector<double>().swap(ws.Swift);
    ForgetPlansLongerThan(std::size_t{8} * 2 * static_cast<std::size_t>(profile.points));
    GiveBackFreeMemory();
    DeriveMasses(ws);
}

void SetReset(Workspace& ws, int samples, double bandwidth) {
    TakeProfile(ws, PrepareProfile(samples, bandwidth));
}

namespace {

// floor(q) that gives k back for q = k minus a few ulps: the bracketed
// arithmetic of an achievable bandwidth 12500 / k can land just below k.
int GuardedFloor(double q) {
    const double r = std::round(q);
    double near = q;
    for (int step = 0; step < 4 && near < r; ++step)
        near = std::nextafter(near, r);
    return static_cast<int>(near >= r ? r : std::floor(q));
}

double ClockBandwidth(int k) {
    return 1 / (2 * (1000 * (4e-08 * k)));
}

}  // namespace

std::optional<TekSnap> SnapTektronix(double bw) {
    if (!(bw > 0.0) || bw > 12500.0)
        return std::nullopt;
    const int k = GuardedFloor(1 / (4e-08 * (1000 * (2 * bw))));
    if (k < 1)
        return std::nullopt;
    const double snapped = ClockBandwidth(k);
    const double next = ClockBandwidth(k + 1);
    return TekSnap{k, snapped, (snapped + 0.01) - next};
}

}  // namespace pelorin
