// Undo and redo of profile edits, in bounded memory. An edit keeps only the
// stretch of the profile it changed, before and after, packed: runs of equal
// values cost one value, so the band-and-notch edits an operator makes cost a
// few bytes whatever the profile's length, and only values that change from
// point to point (a SWIM band, a smoothed edge) are kept one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
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

// The lines a step added to a design record: where they stand and what they
// say, so that an undo takes them out and a redo puts them back.
struct RecordLines {
    std::size_t at = 0;
    std::vector<std::string> lines;
};

class EditHistory {
public:
    // The oldest edits are forgotten beyond this many bytes (the profile as
    // it stands, packed, counts too).
    static constexpr std::size_t kDefaultBudget = std::size_t{256} << 20;

    EditHistory() = default;
    explicit EditHistory(std::size_t budget) : budget_(budget) {}

    // Starts over from profile, with nothing to undo or redo.
    void Reset(std::span<const double> profile);
    // Forgets everything: no edit can be undone (the profile is fixed).
    void Clear();
    // Records an edit called `what` that left the profile as `after` and
    // added `lines` to the record. Drops what could have been redone.
    void Push(std::string what, std::span<const double> after, RecordLines lines);

    bool CanUndo() const { return applied_ > 0; }
    bool CanRedo() const { return applied_ < edits_.size(); }
    // The name of the edit an undo or a redo would act on ("" when none).
    std::string UndoName() const;
    std::string RedoName() const;

    // Undoes the last edit on profile, which must be as the history left it;
    // returns the lines to take out of the record. Only when CanUndo().
    RecordLines Undo(std::vector<double>& profile);
    // Redoes the edit undone last; returns the lines to put back. Only when
    // CanRedo().
    RecordLines Redo(std::vector<double>& profile);

    std::size_t bytes() const;

private:
    struct Edit {
        std::string what;
        std::size_t first = 0;  // the stretch changed, from here
        PackedProfile before;
        PackedProfile after;
        RecordLines lines;
    };
    void Trim();

    std::size_t budget_ = kDefaultBudget;
    PackedProfile current_;  // the profile as the applied edits leave it
    std::deque<Edit> edits_;
    std::size_t applied_ = 0;  // edits_[0 .. applied_) are in the profile
};

}  // namespace pelorin
