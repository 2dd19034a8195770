// The design: the steps applied since the last Set/Reset, run through the
// recipe engine on a workspace of its own, with their undo and redo. The
// steps are the recipe a saved design holds, so the profile in hand is always
// the one replaying them gives.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/edit/history.h"
#include "core/recipe/runner.h"
#include "core/workspace/workspace.h"

namespace pelorin {

// Whether a step shapes the profile or its settings and can be undone: the
// cursors, notch, smooth, a single SWIM band, the frequency list, a Hadamard
// row, a calibration and an isolation. Every other step (reset, swift,
// store, a series or a batch, import, export, show, inspect) cannot be.
bool Undoable(const recipe::Step& step);

// Whether a step writes a numbered series of files (a SWIM series, a
// Hadamard batch).
bool WritesSeries(const recipe::Step& step);

class Design {
public:
    // The oldest undo states are forgotten beyond this many bytes (the
    // profile as it stands, packed, counts too); their steps stay.
    static constexpr std::size_t kDefaultBudget = std::size_t{256} << 20;

    // With write_files false (a design opened in the window) no step writes
    // a file and a series is refused (see recipe::Runner).
    explicit Design(bool write_files = true, std::size_t budget = kDefaultBudget);

    // Runs step on the design's workspace and appends it, `label` naming it
    // in the Undo and Redo items. A refused step changes nothing and throws
    // the refusal. An undoable step drops what could have been redone; any
    // other step is a barrier that nothing before it can be undone across.
    // A reset starts the design afresh with the reset step alone, an import
    // ends it (the profile no longer describes the waveform). Before a reset
    // the steps run but none is kept.
    void Apply(const recipe::Step& step, std::string label = {},
               const recipe::StepHooks& hooks = {});

    // Set/Reset from the window: the reset step, then what replaying the
    // design needs of the state carried over from before it (a calibration
    // other than the default, the frequency list, graph cursors a step
    // placed), as steps of their own. Refuses as Apply does.
    void Start(const recipe::Step& reset, const recipe::StepHooks& hooks = {});

    // A design read from a file: its steps replayed in order, up to the first
    // that writes a series (returned, with how many steps it stopped). Stores
    // are passed over; every other step is kept, those before a reset too.
    // Nothing can be undone afterwards, and without a reset, or after an
    // import, there is no design. Throws the first refusal, "line N: "
    // before its reason, the design then unusable: replay into a fresh one.
    struct Replayed {
        std::optional<recipe::Step> series;  // the step replay stopped at
        std::size_t not_run = 0;             // steps after it
        std::optional<recipe::Step> reset;   // the last reset replayed
    };
    Replayed Replay(const std::vector<recipe::Step>& steps);

    // Closes the design: the workspace keeps what it holds (a waveform read
    // from a file), but no step is kept and nothing can be undone.
    void End();

    bool CanUndo() const { return cursor_ > barrier_; }
    bool CanRedo() const { return cursor_ < records_.size(); }
    // The labels an undo or a redo would act on ("" when none).
    std::string UndoLabel() const;
    std::string RedoLabel() const;
    // Restores the workspace as it was before the last step kept, or after
    // the step undone last; nothing when there is none.
    void Undo();
    void Redo();

    // Whether a reset started a design that can still be saved.
    bool designing() const { return designing_ && gap_.empty(); }
    // Why the design cannot be saved, when a reset started one but a step's
    // values cannot be written as a recipe line.
    const std::string& gap() const { return gap_; }
    // The recipe lines of the steps in force, in order.
    std::vector<std::string> Recipe() const;
    // The design as saved or opened last; whether it has changed since
    // (stores record where a waveform went and change no design).
    void MarkSaved();
    bool Edited() const;

    const Workspace& workspace() const { return engine_->workspace(); }
    // The engine, for what reads a step without applying it.
    const recipe::Runner& engine() const { return *engine_; }
    Workspace& workspace() { return engine_->workspace(); }
    // What the steps printed since it was last taken.
    std::string TakeOutput();

private:
    struct Record {
        recipe::Step step;
        std::string line;   // the step's recipe line ("" when it has none)
        std::string label;  // its name in Undo and Redo
        // What an undo restores and a redo puts back (undoable steps only).
        std::optional<ProfileChange> profile;
        std::shared_ptr<const WorkspaceSettings> before, after;
    };
    void Keep(Record record, bool undoable);
    void Trim();
    std::size_t bytes() const;

    std::unique_ptr<std::ostringstream> out_;
    std::unique_ptr<recipe::Runner> engine_;
    std::size_t budget_;
    std::deque<Record> records_;
    std::size_t cursor_ = 0;   // records_[0 .. cursor_) are in force
    std::size_t barrier_ = 0;  // no undo reaches below this record
    ProfileTracker tracker_;
    bool designing_ = false;
    bool replaying_ = false;
    std::string gap_;
    std::vector<std::string> saved_;
};

}  // namespace pelorin
