// The bands and notches of a design, and the regions of a spectrum they
// are judged by: the ripple inside each band, the depth of each notch and the
// stop band outside, with the margins at their edges left to the transition.
// The played-once figures and the optimised phase judge by the same rules.
#pragma once

#include <functional>
#include <span>
#include <vector>

namespace pelorin {

// The margins: the share of a band's width left out at its edges and kept
// clear of it outside, the share of a notch's width and the least number of
// points kept clear around a notch, and the share of the bandwidth below
// which the stop band is not judged.
inline constexpr double kBandEdge = 0.02;
inline constexpr double kNotchEdge = 0.10;
inline constexpr double kNotchPoints = 2.0;
inline constexpr double kLowestStop = 0.01;

struct FrequencySpan {
    double lo_khz = 0.0;
    double hi_khz = 0.0;
};

// A band of a design and the notches cut into it.
struct DesignBand {
    FrequencySpan span;
    std::vector<FrequencySpan> notches;
};

// The bands of a design from its levels over points 0 .. n-1 at k * step kHz:
// each run of nonzero points is a band, and a run of zero points between two
// bands that is narrower than both is a notch of the band they then form. A
// band spans from its first to its last point, a notch from its first to its
// last zero point.
std::vector<DesignBand> BandsOfLevels(std::span<const double> levels, double step_khz);

// The same for points 0 .. count-1 that are on or off as `on` says.
std::vector<DesignBand> BandsOf(std::size_t count, double step_khz,
                                const std::function<bool(std::size_t)>& on);

// The margin kept clear around a notch: max(10 % of its width, 2 points).
double NotchMargin(const FrequencySpan& notch, double point_khz);

// What a stretch of the spectrum is judged for.
enum class Judged { Nothing, Ripple, Stop, Notch };

struct Segment {
    double from_khz;  // up to the next segment's from_khz
    Judged judged;
    int index;  // the band of a Ripple segment, the notch of a Notch one
};

// The spectrum from 0 Hz up cut into stretches, each judged for one figure:
// a band's ripple region (2 % of its width in from each edge, clear of each
// notch's margin), a notch's inside (shrunk by its margin, or the sub-point
// nearest its middle when that leaves nothing), and the stop band (farther
// than 2 % of its width from every band, from 1 % of the bandwidth up).
// Each stretch holds its lower end.
class SpectrumRegions {
public:
    SpectrumRegions(const std::vector<DesignBand>& bands, double bandwidth, double point_khz,
                    double sub_khz);
    const Segment& At(double khz) const;

    // Reads the regions of frequencies that come in order, rising or
    // falling, in constant time each.
    class Walk {
    public:
        explicit Walk(const SpectrumRegions& regions) : r_(regions) {}
        const Segment& At(double khz);

    private:
        const SpectrumRegions& r_;
        std::size_t at_ = 0;
    };

private:
    static constexpr Segment kNothing{0.0, Judged::Nothing, 0};
    std::vector<Segment> segments_;
};

}  // namespace pelorin
