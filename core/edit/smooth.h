// Centred moving average of the magnitude profile.
#pragma once

#include <span>

namespace pelorin {

// Replaces Magnitude[n .. size - n - 1], n = (width - 1) / 2, by the mean of
// the width values around each point as they were on entry; the n points at
// each end keep their values. Cost is linear in the profile length whatever
// the width. Returns 0, or -1 with the profile untouched when the width is
// even, below 1 or above the profile length, or the scratch array cannot be
// allocated.
int SmoothData(std::span<double> Magnitude, int width);

// Throws Refusal(...) saying why SmoothData would refuse width on a
// profile of length points; returns quietly for a width it accepts.
void CheckSmoothWidth(int width, int length);

}  // namespace pelorin
