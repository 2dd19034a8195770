#include "core/workspace/operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

namespace {

// The profile's length, which Set/Reset keeps within an int.
int Points(const Workspace& ws) {
    return static_cast<int>(ws.Magnitude.size());
}

std::string Khz(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// Refuses a window of cursor1 … cursor2 kHz that holds no point of the
// profile, saying why.
void RequirePoints(const Workspace& ws, std::int64_t start, std::int64_t end) {
    const auto n = static_cast<std::int64_t>(ws.Magnitude.size());
    if (std::max<std::int64_t>(start, 0) < std::min(end, n))
        return;
    const std::string window = Khz(ws.cursor1) + " to " + Khz(ws.cursor2) + " kHz";
    const std::string profile = "0 to " + Khz(ws.bandwidth) + " kHz";
    if (ws.cursor1 == ws.cursor2)
        throw Refusal("The window's two ends are both " + Khz(ws.cursor1) +
                      " kHz: it holds no point. Give two different frequencies.");
    if (ws.cursor2 <= 0.0 || ws.cursor1 >= ws.bandwidth)
        throw Refusal("The window from " + window + " lies outside the profile, " + profile +
                      ": give frequencies inside it.");
    throw Refusal("The window from " + window + " holds no point of the profile (one every " +
                  Khz(ws.bandwidth / static_cast<double>(n)) + " kHz): widen it.");
}

}  // namespace

void ApplyNotch(Workspace& ws, double level) {
    RequireEditableProfile(ws);
    OrderBounds(ws);
    const IndexWindow w = NotchWindow(ws.cursor1, ws.cursor2, ws.bandwidth, Points(ws));
    RequirePoints(ws, w.start, w.end);
    SetWindow(ws.Magnitude, w, level);
}

void ApplySmoothing(Workspace& ws, int width) {
    RequireEditableProfile(ws);
    CheckSmoothWidth(width, Points(ws));
    SmoothData(ws.Magnitude, width);
}

BandIndices SwimBand(Workspace& ws) {
    OrderBounds(ws);
    return {FrequencyToBandIndex(ws.cursor1, ws.bandwidth, Points(ws)),
            FrequencyToBandIndex(ws.cursor2, ws.bandwidth, Points(ws))};
}

void ApplySwim(Workspace& ws, double base, double peak, std::uint32_t nodes, int law) {
    RequireEditableProfile(ws);
    ApplySwim(ws, SwimBand(ws), base, peak, nodes, law);
}

void ApplySwim(Workspace& ws, const BandIndices& band, double base, double peak,
               std::uint32_t nodes, int law) {
    RequireEditableProfile(ws);
    RequirePoints(ws, band.start, band.end);
    CalcSwim(ws.Magnitude, band.start, band.end, base, peak, nodes, law);
}

SeriesReport RunSwimSeries(Workspace& ws, double base, double peak, std::uint32_t first,
                           std::uint32_t last, int law, bool smooth, const SeriesName& name,
                           const SeriesProgress& progress) {
    RequireEditableProfile(ws);
    return RunSwimSeries(ws, SwimBand(ws), base, peak, first, last, law, smooth, name, progress);
}

namespace {

SeriesTarget TargetOf(Workspace& ws) {
    return {ws.Magnitude, ws.bandwidth, ws.synthesis, &ws.Swift};
}

// After a series the workspace holds the last member written, if any.
SeriesReport SeriesRan(Workspace& ws, SeriesReport report) {
    if (report.written > 0)
        ws.source = WaveformSource::Series;
    return report;
}

}  // namespace

SeriesReport RunSwimSeries(Workspace& ws, const BandIndices& band, double base, double peak,
                           std::uint32_t first, std::uint32_t last, int law, bool smooth,
                           const SeriesName& name, const SeriesProgress& progress) {
    RequireEditableProfile(ws);
    RequirePoints(ws, band.start, band.end);
    return SeriesRan(
        ws, SwimSeries(TargetOf(ws), band, base, peak, first, last, law, smooth, name, progress));
}

SeriesReport RunHadamardBatch(Workspace& ws, const SeriesName& name,
                              const SeriesProgress& progress) {
    RequireEditableProfile(ws);
    return SeriesRan(ws,
                     BatchHadamard(TargetOf(ws), ws.frequencies, ws.HadamardWidth, name, progress));
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

void PrepareHadamard(Workspace& ws, double width_hz) {
    RequireEditableProfile(ws);
    const std::vector<float>& list = ws.frequencies;
    if (!CheckFrequencies(list, ws.bandwidth))
        throw Refusal("Frequency out of frequency range!", Severity::Warning);
    if (list.empty())
        throw Refusal("The frequency list is empty: add frequencies first.");
    ws.HadamardWidth = width_hz;
}

void ApplyHadamardRow(Workspace& ws, int row) {
    RequireEditableProfile(ws);
    const std::vector<float>& list = ws.frequencies;
    const int order = HadamardOrder(static_cast<int>(list.size()));
    if (row < 0 || row >= order)
        throw Refusal("The row must lie between 0 and " + std::to_string(order - 1) + " for " +
                      std::to_string(list.size()) + " frequencies.");
    BuildHadamard(ws.Magnitude, list, ws.bandwidth, ws.HadamardWidth, row);
}

void ProcessSwift(Workspace& ws, int factor, std::vector<double>* check, SwiftWork* work,
                  const CrestProgress& progress) {
    SynthesiseSwift(ws.Magnitude, factor, ws.Swift, check, work, ws.synthesis, progress);
}

void Synthesise(Workspace& ws, int factor, std::vector<double>* check,
                const CrestProgress& progress) {
    RequireEditableProfile(ws);
    ProcessSwift(ws, factor, check, nullptr, progress);
    ws.phase = MenuPhase::Synthesised;
    ws.source = WaveformSource::Synthesis;
}

bool HasWaveform(const Workspace& ws) {
    return ws.phase != MenuPhase::Editable && !ws.Swift.empty();
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
    StoreSwift(path, static_cast<int>(ws.Swift.size()), ws.bandwidth, ws.Swift);
}

void ImportWaveform(Workspace& ws, DatWaveform w) {
    ws.Swift = std::move(w.samples);
    ws.Swift.resize(static_cast<std::size_t>(w.datapts));
    ws.bandwidth = w.bandwidth;
    ws.source = WaveformSource::Import;
    if (ws.phase == MenuPhase::Editable)
        ws.phase = MenuPhase::Synthesised;
}

void RequireProfile(const Workspace& ws) {
    RequireSetReset(ws);
    if (ws.source == WaveformSource::Import)
        throw Refusal(
            "The waveform read from a file has replaced the profile, whose bandwidth it no "
            "longer shares: apply Set/Reset to start a new profile.");
}

namespace {

std::string Short(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string DefaultRange(double bandwidth) {
    return "the default m/z range (from " + Short(DefaultFloorKhz(bandwidth)) + " kHz up)";
}

// x = (f / bandwidth) * n for the frequency of an m/z, as the kHz windows
// form it.
double PointOf(const Workspace& ws, double mz) {
    return (KhzOf(ws, mz) / ws.bandwidth) * static_cast<double>(ws.Magnitude.size());
}

// The m/z that the points from x - half to x + half of a profile span, at
// the frequency of point x.
double MzAcross(const Workspace& ws, double x, double half) {
    const double step = ws.bandwidth / static_cast<double>(ws.Magnitude.size());
    const double lo = (x - half) * step, hi = (x + half) * step;
    return lo > 0.0 ? MzFromKhz(ws.calibration, lo) - MzFromKhz(ws.calibration, hi)
                    : std::numeric_limits<double>::infinity();
}

// A notch must be two points wide in frequency: then it zeroes at least
// three points wherever it falls between them (a narrower one zeroes two or
// three, by chance). Throws NarrowWindow, with the width it needs here and the
// sample count that would give the width asked, for one that is not.
void RequireNotchWidth(const Workspace& ws, double mz1, double mz2) {
    const double lo = PointOf(ws, std::max(mz1, mz2)), hi = PointOf(ws, std::min(mz1, mz2));
    if (hi - lo >= kLeastNotchPoints - 1)
        return;
    const double centre = (mz1 + mz2) / 2.0, width = std::fabs(mz2 - mz1);
    const double x = PointOf(ws, centre);
    const double step_khz = ws.bandwidth / static_cast<double>(ws.Magnitude.size());
    const double asked_khz = (hi - lo) * step_khz;
    const double least = std::ceil(4.0 * ws.bandwidth / asked_khz / 2.0) * 2.0;
    double power = 2.0;
    while (power < least)
        power *= 2.0;
    char text[640];
    std::snprintf(text, sizeof text,
                  "The window of m/z %.6g ± %.6g is %.3g Hz wide, less than two of this "
                  "profile's points (here one point is %.3g m/z, %.3g Hz): it would zero only "
                  "two or three points, by where it falls. Make it at least %.3g m/z wide, or "
                  "apply Set/Reset with at least %.0f samples (%.0f as a power of two%s) for a "
                  "window %.6g m/z wide.",
                  centre, width / 2.0, asked_khz * 1000.0, MzAcross(ws, x, 0.5), step_khz * 1000.0,
                  MzAcross(ws, x, 1.0), least, power,
                  power > kMaxSamples ? ", more than Set/Reset takes" : "", width);
    throw NarrowWindow(text);
}

}  // namespace

void DeriveMasses(Workspace& ws) {
    ws.lowmass = ws.highmass = std::numeric_limits<double>::quiet_NaN();
    if (!HasProfile(ws) || !(ws.bandwidth > 0.0)) {
        ws.mass_refusal = "There is no profile yet: apply Set/Reset first.";
        return;
    }
    const double floor = DefaultFloorKhz(ws.bandwidth);
    try {
        CheckCalibrationOver(ws.calibration, floor, ws.bandwidth, DefaultRange(ws.bandwidth));
    } catch (const Refusal& r) {
        ws.mass_refusal = r.what();
        return;
    }
    const MassRange masses = MassRangeOf(ws.calibration, floor, ws.bandwidth);
    ws.lowmass = masses.lowmass;
    ws.highmass = masses.highmass;
    ws.mass_refusal.clear();
}

void RequireMasses(const Workspace& ws) {
    if (!ws.mass_refusal.empty())
        throw Refusal(ws.mass_refusal);
}

void SetCalibration(Workspace& ws, const Calibration& c,
                    std::span<const CalibrantPeak> calibrants) {
    CheckCoefficients(c);
    if (HasProfile(ws))
        CheckCalibrationOver(c, DefaultFloorKhz(ws.bandwidth), ws.bandwidth,
                             DefaultRange(ws.bandwidth));
    ws.calibration = c;
    ws.calibrants.assign(calibrants.begin(), calibrants.end());
    DeriveMasses(ws);
}

double KhzOf(const Workspace& ws, double mz) {
    CheckMz(ws.calibration, mz);
    return KhzFromMz(ws.calibration, mz);
}

IndexWindow MzWindow(const Workspace& ws, double mz1, double mz2) {
    const BandIndices band = MzBand(ws, mz1, mz2);
    const auto n = static_cast<std::int64_t>(ws.Magnitude.size());
    const std::int64_t start = std::clamp<std::int64_t>(band.start, 0, n);
    return {static_cast<int>(start),
            static_cast<int>(std::clamp<std::int64_t>(band.end, start, n))};
}

BandIndices MzBand(const Workspace& ws, double mz1, double mz2) {
    RequireSetReset(ws);
    // The window's low frequency is that of its high m/z.
    const double lo = PointOf(ws, std::max(mz1, mz2));
    const double hi = PointOf(ws, std::min(mz1, mz2));
    constexpr double kLimit = 4611686018427387904.0;  // 2^62, as the kHz bands hold them
    return {static_cast<std::int64_t>(std::clamp(std::floor(lo), -kLimit, kLimit)),
            static_cast<std::int64_t>(std::clamp(std::ceil(hi) + 1.0, -kLimit, kLimit))};
}

void ApplyMzNotch(Workspace& ws, double mz1, double mz2, double level) {
    RequireEditableProfile(ws);
    const IndexWindow w = MzWindow(ws, mz1, mz2);
    if (level == 0.0)
        RequireNotchWidth(ws, mz1, mz2);
    SetWindow(ws.Magnitude, w, level);
}

void ApplyIsolation(Workspace& ws, std::span<const double> targets, double width,
                    const std::optional<std::pair<double, double>>& range_mz) {
    RequireEditableProfile(ws);
    if (!(width > 0.0) || !std::isfinite(width))
        throw Refusal("The window width must be a positive number of m/z units.");
    if (targets.empty())
        throw Refusal("Give at least one m/z to isolate.");
    double low = ws.lowmass, high = ws.highmass;
    std::string range;
    if (range_mz) {
        low = std::min(range_mz->first, range_mz->second);
        high = std::max(range_mz->first, range_mz->second);
        CheckMz(ws.calibration, low);
        CheckMz(ws.calibration, high);
        range = "the m/z range given, " + Short(low) + " to " + Short(high);
        CheckCalibrationOver(ws.calibration, KhzFromMz(ws.calibration, high),
                             KhzFromMz(ws.calibration, low), range);
    } else {
        RequireMasses(ws);
        range = DefaultRange(ws.bandwidth) + ", m/z " + Short(low) + " to " + Short(high);
    }
    for (double t : targets)
        if (!(t >= low && t <= high))
            throw Refusal("m/z " + Short(t) + " lies outside " + range +
                          ": choose a target inside it, or give another range.");
    // Every window is made, and checked, before the profile changes.
    const IndexWindow band = MzWindow(ws, low, high);
    std::vector<IndexWindow> notches;
    for (double t : targets) {
        const double lo = std::max(t - width / 2.0, t * 1e-9), hi = t + width / 2.0;
        RequireNotchWidth(ws, lo, hi);
        IndexWindow w = MzWindow(ws, lo, hi);
        const int own = static_cast<int>(std::clamp<long>(
            std::lround(PointOf(ws, t)), 0, static_cast<long>(ws.Magnitude.size()) - 1));
        notches.push_back({std::min(w.start, own), std::max(w.end, own + 1)});
    }
    SetWindow(ws.Magnitude, band, 1.0);
    for (const IndexWindow& w : notches)
        SetWindow(ws.Magnitude, w, 0.0);
}

}  // namespace pelorin
