#include "core/synth/passband.h"

#include <algorithm>
#include <cmath>

namespace pelorin {

std::vector<DesignBand> BandsOfLevels(std::span<const double> levels, double step_khz) {
    // NaN counts as off.
    return BandsOf(levels.size(), step_khz,
                   [levels](std::size_t k) { return std::fabs(levels[k]) > 0.0; });
}

std::vector<DesignBand> BandsOf(std::size_t count, double step_khz,
                                const std::function<bool(std::size_t)>& is_on) {
    struct Run {
        std::size_t first, last;  // inclusive
        bool on;
    };
    std::vector<Run> runs;
    for (std::size_t k = 0; k < count; ++k) {
        const bool on = is_on(k);
        if (runs.empty() || runs.back().on != on)
            runs.push_back({k, k, on});
        else
            runs.back().last = k;
    }
    const auto width = [](const Run& r) { return r.last - r.first + 1; };
    std::vector<DesignBand> bands;
    bool joined = false;  // the last band goes on past a notch
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        const auto khz = [step_khz](std::size_t k) { return static_cast<double>(k) * step_khz; };
        if (r.on) {
            if (joined)
                bands.back().span.hi_khz = khz(r.last);
            else
                bands.push_back({{khz(r.first), khz(r.last)}, {}});
            joined = false;
            continue;
        }
        const bool between = i > 0 && i + 1 < runs.size();
        if (between && width(r) < width(runs[i - 1]) && width(r) < width(runs[i + 1])) {
            bands.back().notches.push_back({khz(r.first), khz(r.last)});
            joined = true;
        }
    }
    return bands;
}

double NotchMargin(const FrequencySpan& notch, double point_khz) {
    return std::max(kNotchEdge * (notch.hi_khz - notch.lo_khz), kNotchPoints * point_khz);
}

SpectrumRegions::SpectrumRegions(const std::vector<DesignBand>& bands, double bandwidth,
                                 double point_khz, double sub_khz) {
    // Per band: its ripple region and its guard (the band widened by its
    // edge share); per notch: its inside and its guard.
    std::vector<FrequencySpan> ripples, band_guards, insides, notch_guards;
    std::vector<int> owner;  // the band of each ripple region
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const FrequencySpan s = bands[b].span;
        const double edge = kBandEdge * (s.hi_khz - s.lo_khz);
        ripples.push_back({s.lo_khz + edge, s.hi_khz - edge});
        band_guards.push_back({s.lo_khz - edge, s.hi_khz + edge});
        owner.push_back(static_cast<int>(b));
        for (const FrequencySpan& n : bands[b].notches) {
            const double margin = NotchMargin(n, point_khz);
            FrequencySpan inside{n.lo_khz + margin, n.hi_khz - margin};
            if (!(inside.hi_khz > inside.lo_khz)) {
                // Too narrow to shrink: the sub-point nearest its middle.
                const double middle = std::round((n.lo_khz + n.hi_khz) / 2.0 / sub_khz) * sub_khz;
                inside = {middle - sub_khz / 2.0, middle + sub_khz / 2.0};
            }
            insides.push_back(inside);
            notch_guards.push_back({n.lo_khz - margin, n.hi_khz + margin});
        }
    }
    std::vector<double> edges = {0.0, kLowestStop * bandwidth};
    for (const auto* list : {&ripples, &band_guards, &insides, &notch_guards})
        for (const FrequencySpan& s : *list) {
            edges.push_back(s.lo_khz);
            edges.push_back(s.hi_khz);
        }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    const auto find = [](const std::vector<FrequencySpan>& list, double f) {
        const auto it = std::find_if(list.begin(), list.end(), [f](const FrequencySpan& s) {
            return f >= s.lo_khz && f < s.hi_khz;
        });
        return it == list.end() ? -1 : static_cast<int>(it - list.begin());
    };
    // Each stretch between two edges is judged by its middle: a notch's
    // inside first, then a band's ripple region clear of every notch's
    // guard, then the stop band clear of every guard.
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const double from = edges[e];
        const double mid = e + 1 < edges.size() ? (from + edges[e + 1]) / 2.0 : from + 1.0;
        Segment seg{from, Judged::Nothing, 0};
        if (const int n = find(insides, mid); n >= 0)
            seg = {from, Judged::Notch, n};
        else if (const int r = find(ripples, mid); r >= 0 && find(notch_guards, mid) < 0)
            seg = {from, Judged::Ripple, owner[static_cast<std::size_t>(r)]};
        else if (find(band_guards, mid) < 0 && find(notch_guards, mid) < 0 &&
                 mid >= kLowestStop * bandwidth)
            seg = {from, Judged::Stop, 0};
        if (!segments_.empty() && segments_.back().judged == seg.judged &&
            segments_.back().index == seg.index)
            continue;
        segments_.push_back(seg);
    }
}

const Segment& SpectrumRegions::At(double khz) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), khz,
                               [](double f, const Segment& s) { return f < s.from_khz; });
    return it == segments_.begin() ? kNothing : *(it - 1);
}

const Segment& SpectrumRegions::Walk::At(double khz) {
    const std::vector<Segment>& s = r_.segments_;
    if (s.empty() || khz < s.front().from_khz)
        return kNothing;
    while (at_ + 1 < s.size() && khz >= s[at_ + 1].from_khz)
        ++at_;
    while (at_ > 0 && khz < s[at_].from_khz)
        --at_;
    return s[at_];
}

}  // namespace pelorin
