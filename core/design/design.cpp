#include "core/design/design.h"

#include <algorithm>
#include <utility>

#include "core/recipe/entries.h"

namespace pelorin {

namespace {

recipe::Step MakeStep(std::string name, std::vector<recipe::Entry> entries) {
    return {std::move(name), std::move(entries), 0};
}

std::shared_ptr<const WorkspaceSettings> SettingsOf(const Workspace& ws) {
    return std::make_shared<const WorkspaceSettings>(static_cast<const WorkspaceSettings&>(ws));
}

}  // namespace

bool WritesSeries(const recipe::Step& s) {
    return (s.name == "swim" && (s.Find("last") || s.Find("file"))) ||
           (s.name == "hadamard" && s.Find("batch"));
}

bool Undoable(const recipe::Step& s) {
    static constexpr std::string_view kUndoable[] = {"cursors", "notch",    "smooth",    "swim",
                                                     "freq",    "hadamard", "calibrate", "isolate"};
    return std::find(std::begin(kUndoable), std::end(kUndoable), s.name) != std::end(kUndoable) &&
           !WritesSeries(s);
}

Design::Design(bool write_files, std::size_t budget)
    : out_(std::make_unique<std::ostringstream>()),
      engine_(std::make_unique<recipe::Runner>(*out_, write_files)),
      budget_(budget) {}

void Design::Apply(const recipe::Step& step, std::string label, const recipe::StepHooks& hooks) {
    Workspace& ws = engine_->workspace();
    bool undoable = designing_ && !replaying_ && Undoable(step);
    std::shared_ptr<const WorkspaceSettings> before = undoable ? SettingsOf(ws) : nullptr;
    engine_->Run(step, hooks);

    if (step.name == "reset") {
        if (!replaying_) {
            records_.clear();
            cursor_ = barrier_ = 0;
            gap_.clear();
        }
        designing_ = true;
        tracker_.Reset(ws.Magnitude);
    } else if (step.name == "import" && !replaying_) {
        End();
        return;
    } else if (!designing_ && !replaying_) {
        return;
    }
    Record record{step, {}, std::move(label), std::nullopt, std::move(before), nullptr};
    record.step.line = 0;
    if (undoable) {
        record.profile = tracker_.Track(ws.Magnitude);
        record.after = SettingsOf(ws);
    }
    if (undoable && !record.profile) {
        // A profile of another length than the one tracked: nothing to go
        // back to.
        undoable = false;
        record.before.reset(), record.after.reset();
    } else if (step.name == "swift") {
        tracker_.Clear();  // the profile is fixed from now on
    } else if (WritesSeries(step)) {
        tracker_.Reset(ws.Magnitude);  // the series rewrote the profile
    }
    Keep(std::move(record), undoable);
}

void Design::Keep(Record record, bool undoable) {
    try {
        record.line = recipe::FormatStep(record.step);
    } catch (const Refusal& r) {
        if (gap_.empty())
            gap_ = std::string("The design cannot be saved: ") + r.what();
    }
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(cursor_), records_.end());
    records_.push_back(std::move(record));
    cursor_ = records_.size();
    if (!undoable)
        barrier_ = cursor_;
    Trim();
}

void Design::Start(const recipe::Step& reset, const recipe::StepHooks& hooks) {
    Apply(reset, "", hooks);
    Workspace& ws = engine_->workspace();
    // Cursors off the new graph can give no window: the design starts
    // without them.
    if (ws.graph_cursors) {
        const auto [c1, c2] = *ws.graph_cursors;
        if (!(c1 >= 0.0 && c1 <= ws.bandwidth && c2 >= 0.0 && c2 <= ws.bandwidth))
            ws.graph_cursors.reset();
    }
    // What a replay needs that the workspace carried over from before.
    if (ws.calibration.Acoeff != Calibration{}.Acoeff ||
        ws.calibration.Bcoeff != Calibration{}.Bcoeff)
        Keep({MakeStep("calibrate", {{"a", recipe::Num(ws.calibration.Acoeff)},
                                     {"b", recipe::Num(ws.calibration.Bcoeff)}}),
              {},
              {},
              std::nullopt,
              nullptr,
              nullptr},
             false);
    for (float f : ws.frequencies)
        Keep({MakeStep("freq", {{"add", recipe::Num(f)}}), {}, {}, std::nullopt, nullptr, nullptr},
             false);
    if (ws.graph_cursors)
        Keep({MakeStep("cursors", {{"c1", recipe::Num(ws.graph_cursors->first)},
                                   {"c2", recipe::Num(ws.graph_cursors->second)}}),
              {},
              {},
              std::nullopt,
              nullptr,
              nullptr},
             false);
    // A design with nothing done yet has nothing to lose.
    MarkSaved();
}

Design::Replayed Design::Replay(const std::vector<recipe::Step>& steps) {
    Replayed replayed;
    // Every step is kept, those before a reset too: the design replays as
    // the file did.
    replaying_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{replaying_};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const recipe::Step& s = steps[i];
        if (WritesSeries(s)) {
            replayed.series = s;
            replayed.not_run = steps.size() - i - 1;
            break;
        }
        try {
            if (s.name == "store")
                engine_->Run(s);  // refused where the original was, but kept nowhere
            else
                Apply(s);
        } catch (const Refusal& r) {
            throw Refusal("line " + std::to_string(s.line) + ": " + r.what(), r.severity());
        }
        if (s.name == "store")
            continue;
        if (s.name == "reset")
            replayed.reset = s;
    }
    if (!replayed.reset || engine_->workspace().source == WaveformSource::Import) {
        End();
        return replayed;
    }
    // Every step replayed was kept as a barrier: nothing can be undone.
    if (ProfileEditable(engine_->workspace()))
        tracker_.Reset(engine_->workspace().Magnitude);
    else
        tracker_.Clear();
    MarkSaved();
    return replayed;
}

void Design::End() {
    records_.clear();
    cursor_ = barrier_ = 0;
    designing_ = false;
    gap_.clear();
    saved_.clear();
    tracker_.Clear();
}

std::string Design::UndoLabel() const {
    return CanUndo() ? records_[cursor_ - 1].label : std::string();
}

std::string Design::RedoLabel() const {
    return CanRedo() ? records_[cursor_].label : std::string();
}

void Design::Undo() {
    if (!CanUndo())
        return;
    Workspace& ws = engine_->workspace();
    const Record& r = records_[--cursor_];
    if (r.profile)
        tracker_.Undo(*r.profile, ws.Magnitude);
    static_cast<WorkspaceSettings&>(ws) = *r.before;
}

void Design::Redo() {
    if (!CanRedo())
        return;
    Workspace& ws = engine_->workspace();
    const Record& r = records_[cursor_++];
    if (r.profile)
        tracker_.Redo(*r.profile, ws.Magnitude);
    static_cast<WorkspaceSettings&>(ws) = *r.after;
}

std::vector<std::string> Design::Recipe() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < cursor_; ++i)
        lines.push_back(records_[i].line);
    return lines;
}

namespace {

// The lines that make a design: stores aside.
std::vector<std::string> WithoutStores(std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) { return l.rfind("store ", 0) == 0; });
    return lines;
}

}  // namespace

void Design::MarkSaved() {
    saved_ = Recipe();
}

bool Design::Edited() const {
    return designing() && WithoutStores(Recipe()) != WithoutStores(saved_);
}

std::string Design::TakeOutput() {
    std::string text = out_->str();
    out_->str({});
    return text;
}

std::size_t Design::bytes() const {
    std::size_t total = tracker_.bytes();
    for (const Record& r : records_)
        if (r.profile)
            total += r.profile->bytes();
    return total;
}

void Design::Trim() {
    // The oldest undo states go first; their steps stay in the recipe.
    while (bytes() > budget_ && barrier_ < cursor_) {
        Record& r = records_[barrier_++];
        r.profile.reset(), r.before.reset(), r.after.reset();
    }
}

}  // namespace pelorin
