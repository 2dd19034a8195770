#include "core/synth/series.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <span>

#include "core/edit/smooth.h"
#include "core/files/swf.h"
#include "core/synth/swift.h"

namespace pelorin {

namespace {

bool IsSwfAt(const std::string& path, std::size_t p) {
    static constexpr char kSwf[] = ".swf";
    for (std::size_t i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(path[p + i]);
        if (std::tolower(c) != kSwf[i])
            return false;
    }
    return true;
}

std::size_t FileNameStart(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? 0 : slash + 1;
}

void Note(std::vector<std::string>& list, std::uint64_t& count, std::uint64_t k,
          const char* reason) {
    ++count;
    if (list.size() < kSeriesReportListLimit)
        list.push_back("member " + std::to_string(k) + ": " + reason);
}

// One member: its profile built in `profile` (cleared first), smoothed when
// asked, synthesised into `waveform` and stored.
void RunMember(std::span<double> profile, double bandwidth, const SeriesName& name, std::uint64_t k,
               const SeriesMember& build_member, bool smooth, SwiftWork& work,
               std::vector<double>& waveform, SeriesReport& report) {
    std::fill(profile.begin(), profile.end(), 0.0);
    try {
        build_member(profile, k);
        if (smooth)
            SmoothData(profile, 3);
        SynthesiseSwift(profile, -1, waveform, nullptr, &work);
    } catch (const Refusal& refusal) {
        Note(report.skipped, report.skipped_count, k, refusal.what());
        return;
    }
    try {
        StoreSwift(SeriesMemberName(name, k), static_cast<int>(2 * profile.size()), bandwidth,
                   waveform);
        ++report.written;
    } catch (const Refusal& refusal) {
        Note(report.failed, report.failed_count, k, refusal.what());
    }
}

void AppendList(std::string& text, const std::vector<std::string>& list, std::uint64_t count) {
    for (const std::string& entry : list)
        text += "\n  " + entry;
    if (count > list.size())
        text += "\n  ... and " + std::to_string(count - list.size()) + " more";
}

std::string Members(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " member" : " members");
}

}  // namespace

SeriesName SplitSeriesPath(const std::string& path) {
    const std::size_t name_at = FileNameStart(path);
    if (path.size() - name_at >= 4) {
        for (std::size_t p = path.size() - 3; p-- > name_at;) {
            if (IsSwfAt(path, p))
                return {path.substr(0, p), path.substr(p)};
        }
    }
    return {path, ".swf"};
}

std::string SeriesMemberName(const SeriesName& name, std::uint64_t k) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04" PRIu64, k);
    return name.stem + "_" + digits + name.extension;
}

void RequireSeriesProfile(const Workspace& ws) {
    if (ws.datapts > 0 && static_cast<std::size_t>(ws.datapts) == ws.Magnitude.size())
        return;
    throw Refusal("A series needs a profile of N points, but datapts is " +
                  std::to_string(ws.datapts) + " and the profile holds " +
                  std::to_string(ws.Magnitude.size()) +
                  " points: apply Set/Reset to start a new profile, then run "
                  "the series again.");
}

SeriesReport RunSeries(Workspace& ws, const SeriesName& name, std::uint64_t first,
                       std::uint64_t last, const SeriesMember& build_member, bool smooth,
                       const SeriesProgress& progress) {
    RequireSeriesProfile(ws);
    SeriesReport report;
    if (first > last)
        return report;
    // 0 .. 2^64 - 1 has one member more than a uint64_t counts; saturate.
    report.total = last - first == UINT64_MAX ? UINT64_MAX : last - first + 1;

    // Every member has the same length: one set of work arrays and one
    // waveform serve them all.
    const auto profile =
        std::span<double>(ws.Magnitude).first(static_cast<std::size_t>(ws.datapts));
    SwiftWork work;
    std::vector<double> waveform;
    // k == last ends the loop before ++k, so last = UINT64_MAX still ends.
    for (std::uint64_t k = first;; ++k) {
        RunMember(profile, ws.bandwidth, name, k, build_member, smooth, work, waveform, report);
        ++report.done;
        const bool more = k != last;
        // A file that cannot be written stops the series: the next ones
        // would go to the same folder or disk.
        if (report.failed_count > 0) {
            report.stopped = more;
            break;
        }
        if (progress && !progress(report.done, report.total) && more) {
            report.cancelled = true;
            break;
        }
        if (!more)
            break;
    }
    if (report.written > 0) {
        ws.source = WaveformSource::Series;
        ws.Swift = std::move(waveform);
    }
    return report;
}

std::string SeriesSummary(const SeriesReport& report) {
    std::string text;
    if (report.total == 0)
        return "The series has no members (the first value is greater than the last): no "
               "file written.";
    text = std::to_string(report.written) + " of " + std::to_string(report.total) +
           (report.total == 1 ? " file" : " files") + " written.";
    if (report.skipped_count > 0) {
        text += "\nSkipped " + Members(report.skipped_count) + ", no file written:";
        AppendList(text, report.skipped, report.skipped_count);
    }
    if (report.failed_count > 0) {
        text += "\nFailed to write " + Members(report.failed_count) + ":";
        AppendList(text, report.failed, report.failed_count);
    }
    if (report.stopped)
        text += "\nStopped there; the files already written are kept.";
    if (report.cancelled)
        text +=
            "\nCancelled after " + Members(report.done) + "; the files already written are kept.";
    return text;
}

}  // namespace pelorin
