// Frequency-to-point rules shared by the commands that write windows and
// bands of the magnitude profile. Profile point i stands for
// i * bandwidth / n kHz.
#pragma once

#include <cstdint>
#include <span>

namespace pelorin {

// Points start .. end - 1 of the profile; empty when start == end.
struct IndexWindow {
    int start;
    int end;
};

// trunc((f / bandwidth) * n): the quotient is formed first, then multiplied
// by n and truncated toward zero. The product is clamped to -1 .. n + 1
// (at most INT_MAX) before the conversion, so a frequency far outside
// 0 .. bandwidth still maps below 0 or above n instead of overflowing; NaN
// maps to -1.
int FrequencyToIndex(double f, double bandwidth, int n);

// Points start .. end - 1 of a band laid out where it was typed: either end
// may lie outside the profile, and far outside the range of an int.
struct BandIndices {
    std::int64_t start;
    std::int64_t end;
};

// trunc((f / bandwidth) * n) without clipping to the profile: the band keeps
// its place and its width however far it reaches past either end. Indices are
// held within +/-2^62 so that differences stay exact integers; NaN maps to 0.
std::int64_t FrequencyToBandIndex(double f, double bandwidth, int n);

// The window between two bounds (kHz) given in either order: from the lower
// bound's point up to, not including, the upper bound's point, clipped to
// 0 .. n. A NaN bound, a bandwidth that is not positive and finite, or n < 1
// give the empty window {0, 0}.
IndexWindow NotchWindow(double bound1, double bound2, double bandwidth, int n);

// Writes level into Magnitude[w.start .. w.end - 1], skipping any part of the
// window that lies outside the span.
void SetWindow(std::span<double> Magnitude, IndexWindow w, double level);

// The band of a Hadamard-encoded frequency f with half width halfwidth (both
// kHz): its first point trunc((f - h) / bandwidth * n) raised to 0 and its
// last point trunc((f + h) / bandwidth * n) lowered to n - 1, both included;
// returned as the window {first, last + 1}, empty when first > last.
// f - h and f + h are formed in single precision, as the list values and the
// half width are; the rest is double. Invalid inputs give an empty window as
// for NotchWindow.
IndexWindow InclusiveBand(float f, float halfwidth, double bandwidth, int n);

}  // namespace pelorin
