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
#include "core/synth/series.h"
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

// Modulates the band cursor1 … cursor2 of the current profile.
void ApplySwim(Workspace& ws, double base, double peak, std::uint32_t nodes, int law);

// A SWIM series over the band cursor1 … cursor2, first … last nodes.
SeriesReport RunSwimSeries(Workspace& ws, double base, double peak, std::uint32_t first,
                           std::uint32_t last, int law, bool smooth, const SeriesName& name,
                           const SeriesProgress& progress = {});

// Reads a peak list and merges its frequencies into list; returns the account
// the operator is shown (frequencies read, how many were new, lines skipped,
// what differed from the file's announcement). Throws Refusal, with list
// untouched, when the file cannot be read.
std::string MergePeakFile(std::vector<float>& list, const std::string& path);

// Refuses a list holding a frequency outside 0 … bandwidth ("Warning",
// "Frequency out of frequency range!"), an empty list, and a profile that is
// not editable; sets HadamardWidth (Hz).
void PrepareHadamard(Workspace& ws, const std::vector<float>& list, double width_hz);

// Adds the bands of one row to the profile (after PrepareHadamard).
void ApplyHadamardRow(Workspace& ws, const std::vector<float>& list, int row);

// Synthesises the profile from the synthesis panel: the profile is then fixed
// until the next Set/Reset.
void Synthesise(Workspace& ws, int factor, std::vector<double>* check,
                const CrestProgress& progress = {});

// Whether the workspace holds a waveform of datapts samples to store. Never
// while the profile is editable: datapts then counts profile points, and the
// waveform left by an earlier synthesis or a series is twice as long.
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

// Refuses when there is no profile to show or export: none yet, or one that
// an import has replaced.
void RequireProfile(const Workspace& ws);

// Takes a new calibration, refused (Refusal, the old one kept) when it gives
// no m/z axis over the profile; derives lowmass and highmass.
void SetCalibration(Workspace& ws, const Calibration& c);

// The frequency (kHz) of an m/z entry, refused when the calibration gives no
// m/z axis over the profile or mz is not positive.
double KhzOf(const Workspace& ws, double mz);

// A SWIFT ejection of everything but the targets: the profile is set to 1 from
// its first point with an m/z (f = bandwidth / N) to its end, or, with
// range_mz given, over that m/z range; then a window `width` m/z wide around
// each target is set to 0. Windows follow the notch's rules. Refuses a width
// that is not positive, no target, and a target outside the profile's m/z
// range.
void ApplyIsolation(Workspace& ws, std::span<const double> targets, double width,
                    const std::optional<std::pair<double, double>>& range_mz = std::nullopt);

}  // namespace pelorin
