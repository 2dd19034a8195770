// Numbered series of SWIFT waveforms: the file names and the member loop that
// the SWIM series and the Hadamard batch share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/refusal.h"
#include "core/synth/crest.h"

namespace pelorin {

// A series path split into the part before the member number and the part
// after it.
struct SeriesName {
    std::string stem;
    std::string extension;
};

// Splits at the last ".swf" (any letter case) of the file name, the part after
// the last '/': the extension keeps the operator's case and everything after
// that ".swf". A file name without ".swf" keeps the whole path as the stem and
// takes ".swf" as the extension. A folder called "x.swf" is never split.
SeriesName SplitSeriesPath(const std::string& path);

// stem + "_" + k + extension, k with at least four digits (leading zeros);
// larger values take as many digits as they need, so names stay distinct.
std::string SeriesMemberName(const SeriesName& name, std::uint64_t k);

// Writes the profile of member k into profile, which the loop has cleared.
// May throw Refusal to skip the member.
using SeriesMember = std::function<void(std::span<double> profile, std::uint64_t k)>;

// Called after every member with the number handled so far and the number
// asked for; returning false stops the series before the next member.
using SeriesProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// At most this many skipped and failed members are kept with their reasons;
// the counts go on past it.
inline constexpr std::size_t kSeriesReportListLimit = 100;

struct SeriesReport {
    std::uint64_t total = 0;  // members asked for
    std::uint64_t done = 0;   // members handled: written, skipped or failed
    std::uint64_t written = 0;
    std::uint64_t skipped_count = 0;
    std::uint64_t failed_count = 0;
    std::vector<std::string> skipped;  // "member 3: reason", no file written
    std::vector<std::string> failed;   // "member 3: reason", the write failed
    bool cancelled = false;
    bool stopped = false;  // a failed write ended the series before its last member
};

// What a series works on: the profile each member is written into (the last
// member accounted for stays there), the bandwidth, the phase law of its
// syntheses, and where the last waveform written is left.
struct SeriesTarget {
    std::span<double> profile;
    double bandwidth = 0.0;
    PhaseChoice synthesis;
    // The last waveform written, as its file holds it (each sample the middle
    // of its code's interval, so that it stores as the same bytes); untouched
    // when none was written.
    std::vector<double>* last_written = nullptr;
};

// For k = first .. last (nothing when first > last): clears a profile of the
// target's length, build_member(profile, k), smooths with width 3 when asked,
// synthesises with phase factor -1 by the target's phase law and stores the
// waveform under SeriesMemberName(name, k). A member that is refused (by its
// builder, or a profile without power) is skipped and the series goes on; a
// failed write is listed and ends the series. The target's profile keeps the
// last member accounted for, and *last_written the last waveform written.
// Refuses an empty profile. Other exceptions (allocation) propagate.
// Members are synthesised side by side on `threads` cores (0: every core,
// fewer when the profile is large) and written in order; the files, the report
// and the calls of progress are those of a run one member at a time, a cancel
// or a failed write included. build_member must then be safe to call from
// several threads at once.
SeriesReport RunSeries(const SeriesTarget& target, const SeriesName& name, std::uint64_t first,
                       std::uint64_t last, const SeriesMember& build_member, bool smooth,
                       const SeriesProgress& progress = {}, unsigned threads = 0);

// The operator's account of a finished series: files written, members skipped
// or failed with their reasons, and whether it was cancelled.
std::string SeriesSummary(const SeriesReport& report);

}  // namespace pelorin
