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

PackedProfile::PackedProfile(std::span<const double> values) : size_(values.size()) {
    std::size_t i = 0;
    const std::size_t n = values.size();
    while (i < n) {
        std::size_t j = i + 1;
        while (j < n && Same(values[j], values[i]))
            ++j;
        if (j - i >= kShortestRun) {
            runs_.push_back({j - i, values_.size(), false});
            values_.push_back(values[i]);
        } else {
            // Literal values up to the next long run.
            if (runs_.empty() || !runs_.back().literal)
                runs_.push_back({0, values_.size(), true});
            for (std::size_t k = i; k < j; ++k)
                values_.push_back(values[k]);
            runs_.back().count += j - i;
        }
        i = j;
    }
    runs_.shrink_to_fit();
    values_.shrink_to_fit();
}

std::size_t PackedProfile::bytes() const {
    return runs_.capacity() * sizeof(Run) + values_.capacity() * sizeof(double);
}

void PackedProfile::Unpack(std::vector<double>& into) const {
    into.resize(size_);
    std::size_t at = 0;
    for (const Run& r : runs_) {
        if (r.literal)
            std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(r.first), r.count,
                        into.begin() + static_cast<std::ptrdiff_t>(at));
        else
            std::fill_n(into.begin() + static_cast<std::ptrdiff_t>(at), r.count, values_[r.first]);
        at += r.count;
    }
}

void EditHistory::Reset(std::span<const double> profile) {
    edits_.clear();
    applied_ = 0;
    base_ = PackedProfile(profile);
    base_valid_ = true;
    Trim();
}

void EditHistory::Clear() {
    edits_.clear();
    applied_ = 0;
    base_ = PackedProfile();
    base_valid_ = false;
}

void EditHistory::Push(std::string what, std::span<const double> after, RecordLines lines) {
    edits_.erase(edits_.begin() + static_cast<std::ptrdiff_t>(applied_), edits_.end());
    edits_.push_back({std::move(what), PackedProfile(after), std::move(lines)});
    applied_ = edits_.size();
    Trim();
}

void EditHistory::Trim() {
    // Drops the oldest state while over the budget; the newest stays even
    // alone over it, since the profile is in it.
    while (bytes() > budget_) {
        if (base_valid_) {
            if (edits_.empty())
                break;
            base_ = PackedProfile();
            base_valid_ = false;
        } else if (edits_.size() > 1) {
            base_ = std::move(edits_.front().after);
            base_valid_ = true;
            edits_.pop_front();
            if (applied_ > 0)
                --applied_;
        } else {
            break;
        }
    }
}

std::string EditHistory::UndoName() const {
    return CanUndo() ? edits_[applied_ - 1].what : std::string();
}

std::string EditHistory::RedoName() const {
    return CanRedo() ? edits_[applied_].what : std::string();
}

RecordLines EditHistory::Undo(std::vector<double>& profile) {
    if (!CanUndo())
        throw std::logic_error("nothing to undo");
    --applied_;
    (applied_ == 0 ? base_ : edits_[applied_ - 1].after).Unpack(profile);
    return edits_[applied_].lines;
}

RecordLines EditHistory::Redo(std::vector<double>& profile) {
    if (!CanRedo())
        throw std::logic_error("nothing to redo");
    edits_[applied_].after.Unpack(profile);
    return edits_[applied_++].lines;
}

std::size_t EditHistory::bytes() const {
    std::size_t total = base_.bytes();
    for (const Edit& e : edits_)
        total += e.after.bytes();
    return total;
}

}  // namespace pelorin
