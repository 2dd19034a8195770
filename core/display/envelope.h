// What a plot of millions of points draws: per pixel column the smallest and
// the largest value of the points that fall in it, as an oscilloscope draws,
// so that drawing costs one pass over the visible points and no more lines
// than the plot has pixels.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace pelorin {

struct EnvelopePoint {
    double key;
    double value;
};

// The points to draw of y[i] at key origin + i * step, for the keys lo … hi
// over `columns` pixel columns: every point in view (and one beyond each
// side, so that lines leave the view as they should) when they are few, or
// else per column the minimum and the maximum, in the order they occur, at
// the key of the column's first point. Keys ascend.
std::vector<EnvelopePoint> Envelope(std::span<const double> y, double origin, double step,
                                    double lo, double hi, int columns);

}  // namespace pelorin
