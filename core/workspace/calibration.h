// The mass calibration: m/z = A / f + B / f^2 with f the frequency in Hz, and
// its inverse, for designing in m/z (mass-to-charge ratio, Th) as well as in
// kHz; the m/z range a design works in; a calibration fitted to known peaks.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace pelorin {

// A per tesla of magnetic field for singly charged ions: e / (2 pi m_u), Hz
// (CODATA 2018); valid for every charge state, m/z being per charge.
inline constexpr double kHzPerTesla = 15356117.548594771;
// The calibration until the operator gives one: a 7 T magnet, no trap term.
inline constexpr double kDefaultTesla = 7.0;

struct Calibration {
    double Acoeff = kHzPerTesla * kDefaultTesla;  // Hz (Th)
    double Bcoeff = 0.0;                          // Hz^2 (Th)
};

// The coefficients a calibration may have: A from 1e5 Hz (0.0065 T) to
// 1e10 Hz (650 T); B zero or a normal number of at most 1e15 Hz^2 in size.
inline constexpr double kLeastA = 1e5;
inline constexpr double kLargestA = 1e10;
inline constexpr double kLargestB = 1e15;

// m/z at f kHz. f = 0 has no m/z (infinite).
double MzFromKhz(const Calibration& c, double khz);

// The frequency (kHz) of m/z mz: (A + sqrt(A^2 + 4 B mz)) / (2 mz) / 1000,
// the root where m/z falls as the frequency rises.
double KhzFromMz(const Calibration& c, double mz);

// Throws Refusal unless A and B are finite numbers within the limits above.
void CheckCoefficients(const Calibration& c);

// Throws Refusal, naming the range as `range` says it ("the default
// isolation range", …), unless m/z falls as the frequency rises, and stays
// positive, over lo_khz … hi_khz: A f + 2 B > 0 down to lo_khz.
void CheckCalibrationOver(const Calibration& c, double lo_khz, double hi_khz,
                          const std::string& range);

// Throws Refusal unless mz is a positive number that the calibration gives
// at some frequency where m/z falls (with B < 0, m/z has a largest value,
// A^2 / (-4 B), at f = -2 B / A; no m/z beyond it has a frequency).
void CheckMz(const Calibration& c, double mz);

// The low-frequency end (kHz) of the m/z range a design works in unless the
// operator gives one: max(1 % of the bandwidth, 10 kHz), or 1 % of the
// bandwidth where 10 kHz lies beyond it. Below it lie the magnetron
// frequency (tens of Hz in a trap of about 1 V) and frequencies that would
// move every ion off axis.
double DefaultFloorKhz(double bandwidth);

// The m/z range of floor_khz … bandwidth: lowmass at the bandwidth, highmass
// at floor_khz.
struct MassRange {
    double lowmass;
    double highmass;
};
MassRange MassRangeOf(const Calibration& c, double floor_khz, double bandwidth);

// A calibrant: a known m/z and the frequency (kHz) it was measured at.
struct CalibrantPeak {
    double mz;
    double khz;
};

struct CalibrationFit {
    Calibration calibration;
    std::vector<double> residual_ppm;  // (fitted - known) / known, per peak
    double rms_ppm = 0.0;
};

// The calibration that known peaks give: with one peak A = m/z x f and B = 0;
// with two or more, A and B by least squares on m/z = A / f + B / f^2 (two
// exact peaks give them exactly). Throws Refusal for no peak, an m/z or a
// frequency that is not positive, peaks that do not determine A and B (all at
// one frequency), and coefficients outside their limits.
CalibrationFit FitCalibration(std::span<const CalibrantPeak> peaks);

// The residuals, ppm, of a calibration at known peaks.
std::vector<double> ResidualsPpm(const Calibration& c, std::span<const CalibrantPeak> peaks);

// Round m/z values to label an axis that is linear in frequency and runs
// from lo to hi kHz: ticks between one and two (hi - lo) / count kHz apart,
// each a multiple of the largest 1, 2 or 5 step that fits the m/z spacing
// where it stands; in falling m/z order (rising frequency). None at or below
// 0 Hz, where m/z has no value, nor where m/z no longer falls.
std::vector<double> MzTicks(const Calibration& c, double lo, double hi, int count);

// Decimals that an m/z with this spacing between neighbouring points
// deserves: enough to tell two points apart, at most 6.
int MzDecimals(double spacing);

}  // namespace pelorin
