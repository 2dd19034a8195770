// SWIM: periodic modulation of a band of the magnitude profile, alone or as a
// numbered series of SWIFT waveforms, one per modulation count.
#pragma once

#include <cstdint>
#include <span>

#include "core/edit/bands.h"
#include "core/synth/series.h"

namespace pelorin {

// Writes the modulated band [start, end) into Magnitude with one of five laws:
// 1 raised cosine, 2 rectified sine, 3 square wave, 4 sine squared, 5 raised
// cosine in 1/frequency. The modulation is laid out over the band as given;
// only the part of it that lies inside the profile is written, so a band that
// reaches past either end of the profile is cut off there, not squeezed in.
// A law outside 1..5 or end <= start writes nothing. Law 5 is undefined at
// index 0 (it divides by the index); base is stored there. Returns 0.
int CalcSwim(std::span<double> Magnitude, std::int64_t start, std::int64_t end, double base,
             double peak, std::uint32_t nodes, int law);

// One waveform per nodes value from first to last (inclusive), each from a
// fresh profile holding only the modulated band, smoothed with width 3 when
// asked, and stored under SeriesMemberName(name, nodes). See RunSeries for the
// precondition, the refusals and the report.
SeriesReport SwimSeries(const SeriesTarget& target, BandIndices band, double base, double peak,
                        std::uint32_t first, std::uint32_t last, int law, bool smooth,
                        const SeriesName& name, const SeriesProgress& progress = {},
                        unsigned threads = 0);

}  // namespace pelorin
