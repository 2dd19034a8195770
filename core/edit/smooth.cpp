#include "core/edit/smooth.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "core/refusal.h"

namespace pelorin {

namespace {

// An even width would move a window of width - 1 points but divide by width.
bool WidthAccepted(int width, std::size_t length) {
    return width >= 1 && width % 2 == 1 && static_cast<std::size_t>(width) <= length;
}

}  // namespace

int SmoothData(std::span<double> Magnitude, int width) {
    const std::size_t length = Magnitude.size();
    if (!WidthAccepted(width, length))
        return -1;
    std::vector<double> sum;
    try {
        sum.resize(length);
    } catch (const std::bad_alloc&) {
        return -1;
    }

    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t n = (w - 1) / 2;
    const std::size_t last = length - n - 1;
    sum[n] = 0.0;
    for (std::size_t k = 0; k < w; ++k)
        sum[n] += Magnitude[k];
    // The next sum is formed from the previous one before that one is divided,
    // so every entry is divided by the width exactly once.
    for (std::size_t i = n + 1; i <= last; ++i) {
        sum[i] = (sum[i - 1] + Magnitude[i + n]) - Magnitude[i - n - 1];
        sum[i - 1] = sum[i - 1] / width;
    }
    sum[last] = sum[last] / width;
    // Results are copied back only now, so no smoothed value feeds a window.
    std::copy(sum.begin() + static_cast<std::ptrdiff_t>(n),
              sum.begin() + static_cast<std::ptrdiff_t>(last + 1),
              Magnitude.begin() + static_cast<std::ptrdiff_t>(n));
    return 0;
}

void CheckSmoothWidth(int width, int length) {
    if (length < 1)
        throw Refusal("There is no profile to smooth: apply Set/Reset first.");
    if (WidthAccepted(width, static_cast<std::size_t>(length)))
        return;
    std::string text = "The smoothing width must be an odd whole number from 1 to " +
                       std::to_string(length) + " (the profile length); " + std::to_string(width);
    if (width < 1)
        text += " is below 1.";
    else if (width > length)
        text += " is larger than the profile.";
    else
        text += " is even.";
    throw Refusal(text);
}

}  // namespace pelorin
