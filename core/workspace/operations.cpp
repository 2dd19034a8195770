#include "core/workspace/operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/edit/freqlist.h"
#include "core/edit/smooth.h"
#include "core/files/swf.h"
#include "core/synth/hadamard.h"
#include "core/synth/swift.h"
#include "core/synth/swim.h"
#include "core/workspace/setreset.h"

namespace pelorin {

double SetResetBandwidth(bool tektronix, double bandwidth) {
    if (!tektronix)
        return bandwidth;
    const auto snap = SnapTektronix(bandwidth);
    if (!snap)
        throw Refusal("The Tektronix bandwidth must lie above 0 and at most 12500 kHz.");
    return snap->snapped;
}

void OrderBounds(Workspace& ws) {
    if (ws.cursor2 < ws.cursor1)
        std::swap(ws.cursor1, ws.cursor2);
}

void ApplyNotch(Workspace& ws, double level) {
    RequireEditableProfile(ws);
    OrderBounds(ws);
    SetWindow(ws.Magnitude, NotchWindow(ws.cursor1, ws.cursor2, ws.bandwidth, ws.datapts), level);
}

void ApplySmoothing(Workspace& ws, int width) {
    RequireEditableProfile(ws);
    CheckSmoothWidth(width, ws.datapts);
    SmoothData(ws.Magnitude, width);
}

BandIndices SwimBand(Workspace& ws) {
    OrderBounds(ws);
    return {FrequencyToBandIndex(ws.cursor1, ws.bandwidth, ws.datapts),
            FrequencyToBandIndex(ws.cursor2, ws.bandwidth, ws.datapts)};
}

void ApplySwim(Workspace& ws, double base, double peak, std::uint32_t nodes, int law) {
    RequireEditableProfile(ws);
    const BandIndices band = SwimBand(ws);
    CalcSwim(ws.Magnitude, band.start, band.end, base, peak, nodes, law);
}

SeriesReport RunSwimSeries(Workspace& ws, double base, double peak, std::uint32_t first,
                           std::uint32_t last, int law, bool smooth, const SeriesName& name,
                           const SeriesProgress& progress) {
    RequireEditableProfile(ws);
    return SwimSeries(ws, SwimBand(ws), base, peak, first, last, law, smooth, name, progress);
}

std::string MergePeakFile(std::vector<float>& list, const std::string& path) {
    const PeakListResult peaks = ReadPeakList(path);
    const int added = MergePeakList(list, peaks);
    std::string text = std::to_string(peaks.frequencies_khz.size()) + " frequencies read from " +
                       path + ", " + std::to_string(added) + " of them new to the list.";
    if (peaks.lines_skipped > 0) {
        text += '\n';
        text += std::to_string(peaks.lines_skipped);
        text += " data lines held no readable frequency and were skipped.";
    }
    if (!peaks.note.empty()) {
        text += '\n';
        text += peaks.note;
    }
    return text;
}

void PrepareHadamard(Workspace& ws, const std::vector<float>& list, double width_hz) {
    RequireEditableProfile(ws);
    if (!CheckFrequencies(list, ws.bandwidth))
        throw Refusal("Frequency out of frequency range!", Severity::Warning);
    if (list.empty())
        throw Refusal("The frequency list is empty: add frequencies first.");
    ws.HadamardWidth = width_hz;
}

void ApplyHadamardRow(Workspace& ws, const std::vector<float>& list, int row) {
    RequireEditableProfile(ws);
    const int order = HadamardOrder(static_cast<int>(list.size()));
    if (row < 0 || row >= order)
        throw Refusal("The row must lie between 0 and " + std::to_string(order - 1) + " for " +
                      std::to_string(list.size()) + " frequencies.");
    BuildHadamard(ws.Magnitude, list, ws.bandwidth, ws.HadamardWidth, row);
}

void Synthesise(Workspace& ws, int factor, std::vector<double>* check,
                const CrestProgress& progress) {
    RequireEditableProfile(ws);
    ProcessSwift(ws, factor, check, nullptr, progress);
    ws.phase = MenuPhase::Synthesised;
    ws.source = WaveformSource::Synthesis;
}

bool HasWaveform(const Workspace& ws) {
    return ws.phase != MenuPhase::Editable && ws.datapts > 0 && !ws.Swift.empty() &&
           ws.Swift.size() >= static_cast<std::size_t>(ws.datapts);
}

void RequireWaveform(const Workspace& ws) {
    if (HasWaveform(ws))
        return;
    if (ws.source == WaveformSource::Series)
        throw Refusal(
            "The series has written its files; there is no single waveform to store. "
            "To store one, synthesise the profile first.");
    throw Refusal("There is no waveform to store: synthesise or import one first.");
}

std::span<const double> WaveformDesign(const Workspace& ws) {
    if (ws.source != WaveformSource::Synthesis || !HasWaveform(ws))
        return {};
    return ws.Magnitude;
}

void StoreWaveform(const Workspace& ws, const std::string& path) {
    RequireWaveform(ws);
    StoreSwift(path, ws.datapts, ws.bandwidth, ws.Swift);
}

void RequireProfile(const Workspace& ws) {
    RequireSetReset(ws);
    if (ws.source == WaveformSource::Import)
        throw Refusal(
            "The imported waveform has replaced the profile, whose bandwidth it no "
            "longer shares: apply Set/Reset to start a new profile.");
}

void SetCalibration(Workspace& ws, const Calibration& c) {
    CheckCalibration(c, ws.bandwidth, HasProfile(ws) ? ws.datapts : 0);
    ws.calibration = c;
    if (HasProfile(ws) && ws.datapts > 0) {
        const MassRange masses = ProfileMassRange(c, ws.bandwidth, ws.datapts);
        ws.lowmass = masses.lowmass;
        ws.highmass = masses.highmass;
    }
}

double KhzOf(const Workspace& ws, double mz) {
    CheckCalibration(ws.calibration, ws.bandwidth, ws.datapts);
    if (!(mz > 0.0) || !std::isfinite(mz))
        throw Refusal("An m/z must be a positive number, not " + std::to_string(mz) + ".");
    return KhzFromMz(ws.calibration, mz);
}

void ApplyIsolation(Workspace& ws, std::span<const double> targets, double width,
                    const std::optional<std::pair<double, double>>& range_mz) {
    RequireEditableProfile(ws);
    if (!(width > 0.0) || !std::isfinite(width))
        throw Refusal("The window width must be a positive number of m/z units.");
    if (targets.empty())
        throw Refusal("Give at least one m/z to isolate.");
    CheckCalibration(ws.calibration, ws.bandwidth, ws.datapts);
    for (double t : targets)
        if (!(t >= ws.lowmass && t <= ws.highmass)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "m/z %g lies outside the profile's m/z range, %g to %g: choose a "
                          "target inside it, or another bandwidth.",
                          t, ws.lowmass, ws.highmass);
            throw Refusal(text);
        }
    const auto fill = [&](double khz1, double khz2, double level) {
        SetWindow(ws.Magnitude, NotchWindow(khz1, khz2, ws.bandwidth, ws.datapts), level);
    };
    if (range_mz)
        fill(KhzOf(ws, range_mz->first), KhzOf(ws, range_mz->second), 1.0);
    else
        SetWindow(ws.Magnitude, {1, ws.datapts}, 1.0);  // point 0, at 0 Hz, has no m/z
    for (double t : targets)
        fill(KhzOf(ws, t + width / 2.0), KhzOf(ws, std::max(t - width / 2.0, t * 1e-9)), 0.0);
}

}  // namespace pelorin
