#include "core/edit/history.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pelorin {

namespace {

bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A run of equal values shorter than this is kept among the literal values:
// a run costs more than a few values.
constexpr std::size_t kShortestRun = 4;

}  // namespace

void PackedProfile::Append(const double* values, std::size_t count, bool literal) {
    if (count == 0)
        return;
    if (literal) {
        // Literal values follow each other in values_, so one run takes them.
        if (runs_.empty() || !runs_.back().literal)
            runs_.push_back({0, values_.size(), true});
        runs_.back().count += count;
        values_.insert(values_.end(), values, values + count);
    } else {
        runs_.push_back({count, values_.size(), false});
        values_.push_back(values[0]);
    }
}

PackedProfile::PackedProfile(std::span<const double> values) {
    std::size_t i = 0;
    const std::size_t n = values.size();
    while (i < n) {
        std::size_t j = i + 1;
        while (j < n && Same(values[j], values[i]))
            ++j;
        Append(values.data() + i, j - i, j - i < kShortestRun);
        i = j;
    }
    size_ = n;
    runs_.shrink_to_fit();
    values_.shrink_to_fit();
}

std::size_t PackedProfile::bytes() const {
    return runs_.capacity() * sizeof(Run) + values_.capacity() * sizeof(double);
}

void PackedProfile::Unpack(std::span<double> out) const {
    if (out.size() != size_)
        throw std::invalid_argument("a packed profile unpacks into as many values");
    std::size_t at = 0;
    for (const Run& r : runs_) {
        if (r.literal)
            std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(r.first), r.count,
                        out.begin() + static_cast<std::ptrdiff_t>(at));
        else
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at), r.count, values_[r.first]);
        at += r.count;
    }
}

PackedProfile PackedProfile::Slice(std::size_t first, std::size_t count) const {
    PackedProfile slice;
    std::size_t at = 0;  // index of the run's first point
    const std::size_t end = first + count;
    for (const Run& r : runs_) {
        const std::size_t lo = std::max<std::size_t>(at, first);
        const std::size_t hi = std::min<std::size_t>(at + r.count, end);
        if (lo < hi) {
            if (r.literal)
                slice.Append(values_.data() + r.first + (lo - at), hi - lo, true);
            else
                slice.Append(values_.data() + r.first, hi - lo, false);
        }
        at += r.count;
        if (at >= end)
            break;
    }
    slice.size_ = count;
    return slice;
}

std::optional<std::pair<std::size_t, std::size_t>> PackedProfile::Differences(
    std::span<const double> values) const {
    if (values.size() != size_)
        return values.empty() && size_ == 0 ? std::nullopt
                                            : std::optional(std::pair<std::size_t, std::size_t>{
                                                  0, std::max(values.size(), size_) - 1});
    std::optional<std::size_t> lo;
    std::size_t hi = 0, at = 0;
    for (const Run& r : runs_) {
        for (std::size_t k = 0; k < r.count; ++k) {
            const double v = values_[r.first + (r.literal ? k : 0)];
            if (!Same(v, values[at + k])) {
                if (!lo)
                    lo = at + k;
                hi = at + k;
            }
        }
        at += r.count;
    }
    if (!lo)
        return std::nullopt;
    return std::pair{*lo, hi};
}

void ProfileTracker::Reset(std::span<const double> profile) {
    current_ = PackedProfile(profile);
}

void ProfileTracker::Clear() {
    current_ = PackedProfile();
}

std::optional<ProfileChange> ProfileTracker::Track(std::span<const double> after) {
    if (current_.size() != after.size()) {
        current_ = PackedProfile(after);
        return std::nullopt;
    }
    ProfileChange change;
    if (const auto changed = current_.Differences(after)) {
        const std::size_t count = changed->second - changed->first + 1;
        change.first = changed->first;
        change.before = current_.Slice(change.first, count);
        change.after = PackedProfile(after.subspan(change.first, count));
        current_ = PackedProfile(after);
    }
    return change;
}

void ProfileTracker::Undo(const ProfileChange& change, std::vector<double>& profile) {
    change.before.Unpack(std::span(profile).subspan(change.first, change.before.size()));
    current_ = PackedProfile(profile);
}

void ProfileTracker::Redo(const ProfileChange& change, std::vector<double>& profile) {
    change.after.Unpack(std::span(profile).subspan(change.first, change.after.size()));
    current_ = PackedProfile(profile);
}

}  // namespace pelorin
