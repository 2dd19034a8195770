// What a waveform does to the ions: the linear response of an ion at rest at
// the cell's centre to the record played once, each sample held for one
// sample period, in a uniform magnetic field with an optional quadrupolar
// trap. For every m/z of a range, and for chosen targets, the radii it ends
// with, the farthest it swings while the record plays, and a verdict.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/excite/cell.h"
#include "core/workspace/calibration.h"

namespace pelorin {

struct ExcitationSetup {
    double vpp = 100.0;  // the voltage difference between the plates at full scale, peak to peak
    Cell cell;
    double trap_v = 0.0;          // on both trapping plates; 0 for none
    std::optional<double> tesla;  // else the calibration's field, A / 15.356 MHz
    bool hold = true;             // each sample held (the AWG), else ideal reconstruction
    double kept_share = 0.1;      // kept within this share of the wall's radius
    Calibration calibration;      // m/z to frequency (with a trap, the cyclotron one)
    std::vector<double> targets;  // m/z to keep
    std::pair<double, double> range_mz{0.0, 0.0};  // the m/z range the grid covers
};

enum class Verdict { Ejected, Lost, Kept, Partial };
const char* VerdictName(Verdict v);

struct IonResponse {
    double mz = 0.0;
    double frequency_hz = 0.0;  // the reduced-cyclotron frequency it is excited at
    double r_plus_mm = 0.0;     // the reduced-cyclotron radius after the record
    double r_minus_mm = 0.0;    // the magnetron radius after the record (0 without a trap)
    double peak_mm = 0.0;       // the farthest from the axis while the record plays
    Verdict verdict = Verdict::Partial;
};

// Where the boundary between kept and ejected lies beside a target.
struct Transition {
    double below_mz = 0.0;  // the m/z span from kept to ejected on the low-m/z side
    double above_mz = 0.0;  // and on the high-m/z side; NaN where it never gets there
};

// One point of the grid, kept small: a grid of 2^22 samples' record has
// millions of them.
struct GridPoint {
    std::uint32_t bin = 0;  // its frequency is bin × bin_hz
    float r_plus_mm = 0.0f, r_minus_mm = 0.0f, peak_mm = 0.0f;
    Verdict verdict = Verdict::Partial;
    bool window = false;  // inside a target's window
};

struct ExcitationReport {
    std::vector<GridPoint> grid;  // over the range, four a profile point, m/z falling
    double bin_hz = 0.0;
    std::vector<IonResponse> targets;     // in the order given
    std::vector<Transition> transitions;  // one a target
    double min_radius_mm = 0.0;           // the least r₊ outside the targets' windows
    double min_radius_mz = 0.0;           // where it is
    double vpp_to_eject = 0.0;      // the least Vpp that ejects everything outside the windows
    double vpp_to_keep = 0.0;       // the largest Vpp that keeps every target
    double ejected_fraction = 0.0;  // of the grid outside the windows, at this Vpp
    double magnetron_hz = 0.0;      // f₋ at the middle of the range (0 without a trap)
    double beta = 0.0, alpha = 0.0, tesla = 0.0;
    std::vector<std::string> warnings;

    // Point i of the grid with its m/z and frequency.
    IonResponse At(std::size_t i) const;

    double trap_k = 0.0;  // αV_T / (B d²), rad/s: the magnetron frequency's scale
    Calibration calibration;
};

// Progress of the grid's transforms: done of total; false cancels (Cancelled).
using ExcitationProgress = std::function<bool(int done, int total)>;

// The response to `played`, the record as the AWG plays it (each value
// −1 … +1 of full scale; a code c plays 2c/4095 − 1), at a sample rate of
// twice bandwidth_khz. Refuses (Refusal) an empty record, a Vpp, cell or
// field that is not positive and finite, a range the calibration cannot
// place, and a trap too strong to hold the range's ions.
ExcitationReport Excite(std::span<const double> played, double bandwidth_khz,
                        const ExcitationSetup& setup, const ExcitationProgress& progress = {});

// The played values of stored codes.
std::vector<double> PlayedValues(std::span<const std::uint16_t> codes);

}  // namespace pelorin
