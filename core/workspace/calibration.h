// The mass calibration: m/z = A / f + B / f^2 with f the frequency in Hz, and
// its inverse, for designing in m/z (mass-to-charge ratio, Th) as well as in
// kHz.
#pragma once

#include <span>
#include <vector>

namespace pelorin {

// A per tesla of magnetic field for singly charged ions: e / (2 pi m_u), Hz.
inline constexpr double kHzPerTesla = 15356117.548594771;

struct Calibration {
    double Acoeff = 1.07e8;  // Hz (Th): a 7 T magnet
    double Bcoeff = 0.0;     // Hz^2 (Th)
};

// m/z at f kHz. f = 0 has no m/z (infinite).
double MzFromKhz(const Calibration& c, double khz);

// The frequency (kHz) of m/z mz: (A + sqrt(A^2 + 4 B mz)) / (2 mz) / 1000.
double KhzFromMz(const Calibration& c, double mz);

// Throws Refusal saying why the calibration gives no m/z axis over a profile
// of points 1 .. N at i * bandwidth / N kHz (point 0, at 0 kHz, has none): A
// must be positive, m/z positive and falling as the frequency rises, which
// also keeps the inverse's square root real. With no profile (points < 1)
// only A is checked.
void CheckCalibration(const Calibration& c, double bandwidth, int points);

// The m/z range of such a profile: lowmass at f = bandwidth, highmass at the
// first point, f = bandwidth / N.
struct MassRange {
    double lowmass;
    double highmass;
};
MassRange ProfileMassRange(const Calibration& c, double bandwidth, int points);

// Round m/z values to label an axis that is linear in frequency and runs
// from lo to hi kHz: ticks between one and two (hi - lo) / count kHz apart,
// each a multiple of the largest 1, 2 or 5 step that fits the m/z spacing
// where it stands; in falling m/z order (rising frequency). None at or below
// 0 Hz, where m/z has no value.
std::vector<double> MzTicks(const Calibration& c, double lo, double hi, int count);

}  // namespace pelorin
