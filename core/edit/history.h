// What an undo of a profile edit keeps, in bounded memory. An edit keeps only
// the stretch of the profile it changed, before and after, packed: runs of
// equal values cost one value, so the band-and-notch edits an operator makes
// cost a few bytes whatever the profile's length, and only values that change
// from point to point (a SWIM band, a smoothed edge) are kept one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace pelorin {

// Values packed into runs. Values compare by their bits, so that every double
// (NaN and -0 included) comes back exactly.
class PackedProfile {
public:
    PackedProfile() = default;
    explicit PackedProfile(std::span<const double> values);
    std::size_t size() const { return size_; }
    std::size_t bytes() const;
    // The values, into out, which must hold size() of them.
    void Unpack(std::span<double> out) const;
    // Values [first, first + count).
    PackedProfile Slice(std::size_t first, std::size_t count) const;
    // The first and the last index at which values differ from these; none
    // when they are the same. Values of another length differ everywhere.
    std::optional<std::pair<std::size_t, std::size_t>> Differences(
        std::span<const double> values) const;

private:
    struct Run {
        std::uint64_t count;  // points
        std::uint64_t first;  // index into values_ of the first value
        bool literal;         // count values follow each other, else one repeats
    };
    void Append(const double* values, std::size_t count, bool literal);
    std::vector<Run> runs_;
    std::vector<double> values_;
    std::size_t size_ = 0;
};

// The stretch of a profile one edit changed: from `first`, the values before
// and after it.
struct ProfileChange {
    std::size_t first = 0;
    PackedProfile before;
    PackedProfile after;
    std::size_t bytes() const { return before.bytes() + after.bytes(); }
};

// The profile as the edits applied so far leave it, packed, so that each
// edit's change is found without a second copy of a long profile.
class ProfileTracker {
public:
    // Tracks profile from now on.
    void Reset(std::span<const double> profile);
    // Tracks nothing.
    void Clear();
    // The change from the profile tracked to `after`, which is tracked from
    // now on; nothing when the lengths differ (no stretch describes it).
    std::optional<ProfileChange> Track(std::span<const double> after);
    // Writes the change's values before it (Undo) or after it (Redo) into
    // profile, which must be as the tracker knows it, and tracks the result.
    void Undo(const ProfileChange& change, std::vector<double>& profile);
    void Redo(const ProfileChange& change, std::vector<double>& profile);
    std::size_t bytes() const { return current_.bytes(); }

private:
    PackedProfile current_;
};

}  // namespace pelorin
