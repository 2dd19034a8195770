// What each panel's command does to the workspace, once the front end has
// read its entries: shared by the graphical and the command-line front ends so
// that both make the same profiles and the same files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/edit/bands.h"
#include "core/files/datfile.h"
#include "core/synth/series.h"
#include "core/synth/swift.h"
#include "core/workspace/workspace.h"

namespace pelorin {

// The bandwidth a Set/Reset entry gives: the Tektronix entry snaps to its
// sample clock, the National Instruments entry is taken as it is.
double SetResetBandwidth(bool tektronix, double bandwidth);

// Orders the window bounds held in cursor1 and cursor2 (kHz) so that
// cursor1 <= cursor2; both front ends put typed bounds there first.
void OrderBounds(Workspace& ws);

// Sets every point of the window cursor1 … cursor2 to level, clipped to the
// profile. Refuses unless the profile is editable.
void ApplyNotch(Workspace& ws, double level);

// Smooths the profile with an odd width from 1 to its length; refuses other
// widths and a profile that is not editable.
void ApplySmoothing(Workspace& ws, int width);

// The SWIM band of cursor1 … cursor2 as profile indices, as typed (not
// clipped: the modulation keeps its place and width where it reaches past the
// profile, and only the points inside the profile are written).
BandIndices SwimBand(Workspace& ws);

// Modulates the band cursor1 … cursor2 of the current profile, or the band
// given.
void ApplySwim(Workspace& ws, double base, double peak, std::uint32_t nodes, int law);
void ApplySwim(Workspace& ws, const BandIndices& band, double base, double peak,
               std::uint32_t nodes, int law);

// A SWIM series over the band cursor1 … cursor2, or the band given, first …
// last nodes.
SeriesReport RunSwimSeries(Workspace& ws, double base, double peak, std::uint32_t first,
                           std::uint32_t last, int law, bool smooth, const SeriesName& name,
                           const SeriesProgress& progress = {});
SeriesReport RunSwimSeries(Workspace& ws, const BandIndices& band, double base, double peak,
                           std::uint32_t first, std::uint32_t last, int law, bool smooth,
                           const SeriesName& name, const SeriesProgress& progress = {});

// The Hadamard batch of the frequency list, rows 1 .. order - 1 (see
// BatchHadamard), the bands HadamardWidth wide (after PrepareHadamard).
SeriesReport RunHadamardBatch(Workspace& ws, const SeriesName& name,
                              const SeriesProgress& progress = {});

// Reads a peak list and merges its frequencies into list; returns the account
// the operator is shown (frequencies read, how many were new, lines skipped,
// what differed from the file's announcement). Throws Refusal, with list
// untouched, when the file cannot be read.
std::string MergePeakFile(std::vector<float>& list, const std::string& path);

// Refuses a frequency list holding a frequency outside 0 … bandwidth
// ("Warning", "Frequency out of frequency range!"), an empty list, and a
// profile that is not editable; sets HadamardWidth (Hz).
void PrepareHadamard(Workspace& ws, double width_hz);

// Adds the bands of one row of the frequency list to the profile (after
// PrepareHadamard).
void ApplyHadamardRow(Workspace& ws, int row);

// The SWIFT waveform of the whole profile by the phase law ws.synthesis
// chooses replaces ws.Swift (see SynthesiseSwift for check, work and
// progress). Refuses as SynthesiseSwift does (an empty profile included); ws
// is then untouched.
void ProcessSwift(Workspace& ws, int factor, std::vector<double>* check = nullptr,
                  SwiftWork* work = nullptr, const CrestProgress& progress = {});

// Synthesises the profile from the synthesis panel: the profile is then fixed
// until the next Set/Reset.
void Synthesise(Workspace& ws, int factor, std::vector<double>* check,
                const CrestProgress& progress = {});

// Whether the workspace holds a waveform to store: Swift after a synthesis
// from the synthesis panel or an import. Never while the profile is editable:
// a waveform left by a series is one member among many.
bool HasWaveform(const Workspace& ws);

// Refuses, saying why, when there is no waveform to store: nothing synthesised
// or imported since the last Set/Reset, or only the members of a series.
void RequireWaveform(const Workspace& ws);

// The profile the waveform in hand was synthesised from, against which its
// played-once spectrum is judged; empty for an imported or opened waveform,
// whose profile is unknown.
std::span<const double> WaveformDesign(const Workspace& ws);

// Stores the current waveform; refuses as RequireWaveform does.
void StoreWaveform(const Workspace& ws, const std::string& path);

// Makes an imported waveform the workspace's: Swift (its datapts samples) and
// bandwidth. A profile that was editable is closed, as after a synthesis: the
// waveform no longer comes from it.
void ImportWaveform(Workspace& ws, DatWaveform w);

// Refuses when there is no profile to show or export: none yet, or one that
// an import has replaced.
void RequireProfile(const Workspace& ws);

// Takes a new calibration (with the peaks it was fitted to, if any), refused
// (Refusal, the old one kept) for coefficients outside their limits or, with
// a profile, when it gives no m/z over the default m/z range; derives
// lowmass and highmass.
void SetCalibration(Workspace& ws, const Calibration& c,
                    std::span<const CalibrantPeak> calibrants = {});

// lowmass and highmass of the calibration and the profile in hand, or NaN
// and the reason (Set/Reset keeps a calibration that no longer fits: the m/z
// entries then say why they are refused).
void DeriveMasses(Workspace& ws);

// Throws the reason when the calibration gives no default m/z range.
void RequireMasses(const Workspace& ws);

// The frequency (kHz) of an m/z entry, refused when the calibration gives it
// no frequency or mz is not positive.
double KhzOf(const Workspace& ws, double mz);

// The points of the profile a window typed in m/z covers, mz1 and mz2 in
// either order: every point whose m/z lies inside, rounding outward (from the
// point at or below the window's low frequency to the point at or above its
// high one), so that played once the window lies inside what it sets. Clipped
// to the profile. Refused as KhzOf refuses.
IndexWindow MzWindow(const Workspace& ws, double mz1, double mz2);

// The same for a SWIM band, not clipped (the modulation keeps its place and
// width where it reaches past the profile).
BandIndices MzBand(const Workspace& ws, double mz1, double mz2);

// Sets the points of an m/z window to level. A notch (level 0) narrower than
// kLeastNotchPoints - 1 points in frequency (which would zero fewer than
// kLeastNotchPoints points where it falls between them) is refused, saying how
// wide it must be and how many samples would give it its width; nothing
// changes then.
void ApplyMzNotch(Workspace& ws, double mz1, double mz2, double level);

// The least number of points an m/z notch or isolation window must zero.
inline constexpr int kLeastNotchPoints = 3;

// The refusal of a window too narrow to notch anything.
class NarrowWindow : public Refusal {
public:
    using Refusal::Refusal;
};

// A SWIFT ejection of everything but the targets: the profile is set to 1
// over an m/z range (the default one, lowmass … highmass, unless range_mz is
// given), then a window `width` m/z wide around each target is set to 0,
// both windows by MzWindow's rule; each target's own point is zeroed. Refuses,
// with the profile untouched, a width that is not positive, no target, a
// target outside the range, a calibration that gives no m/z over the range,
// and a window too narrow to notch (as ApplyMzNotch refuses it).
void ApplyIsolation(Workspace& ws, std::span<const double> targets, double width,
                    const std::optional<std::pair<double, double>>& range_mz = std::nullopt);

}  // namespace pelorin
