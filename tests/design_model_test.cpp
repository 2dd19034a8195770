// The design model: whatever the operator does (edits, undos, redos,
// calibrations, Set/Resets, refused steps, a series), the profile and the
// settings in hand are those that replaying the design's recipe gives, bit for
// bit, and undo and redo walk back and forth over exactly those states.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "core/design/design.h"
#include "core/recipe/entries.h"
#include "core/recipe/recipe.h"
#include "core/workspace/operations.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

using recipe::Num;
using recipe::Step;

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), 8 * a.size()) == 0);
}

// What a later step reads, compared bit for bit; "" when equal, else what
// differs. The window and the Hadamard width are each step's own inputs, and
// the calibrants only show in show's account: a Set/Reset carries them over
// and no step reads them. With inputs, those are compared too.
std::string Differences(const Workspace& a, const Workspace& b, bool inputs = false) {
    std::ostringstream d;
    if (inputs &&
        (!SameBits(a.cursor1, b.cursor1) || !SameBits(a.cursor2, b.cursor2) ||
         !SameBits(a.HadamardWidth, b.HadamardWidth) || a.calibrants.size() != b.calibrants.size()))
        d << "inputs ";
    if (!SameBits(a.Magnitude, b.Magnitude))
        d << "profile ";
    if (!SameBits(a.bandwidth, b.bandwidth))
        d << "bandwidth ";
    if (!SameBits(a.calibration.Acoeff, b.calibration.Acoeff) ||
        !SameBits(a.calibration.Bcoeff, b.calibration.Bcoeff))
        d << "calibration ";
    if (!SameBits(a.lowmass, b.lowmass) || !SameBits(a.highmass, b.highmass) ||
        a.mass_refusal != b.mass_refusal)
        d << "masses ";
    if (a.frequencies != b.frequencies)
        d << "list ";
    if (a.graph_cursors != b.graph_cursors)
        d << "cursors ";
    if (a.phase != b.phase || a.source != b.source)
        d << "phase ";
    return d.str();
}

// The workspace a fresh engine reaches from the recipe's lines, each read
// back from its text.
Workspace Replayed(const std::vector<std::string>& lines) {
    std::ostringstream out;
    recipe::Runner runner(out, false);
    int number = 0;
    for (const std::string& line : lines)
        if (const auto step = recipe::ParseRecipeLine(line, ++number))
            runner.Run(*step);
    return runner.TakeWorkspace();
}

Step S(std::string name, std::vector<recipe::Entry> entries) {
    return {std::move(name), std::move(entries), 0};
}

// A random step an operator could ask for, refused or not.
class Operator {
public:
    explicit Operator(unsigned seed) : gen_(seed) {}

    Step Reset() {
        const int samples = 2 * Pick({8, 13, 64, 100, 256});
        const double bw = Pick({100.0, 312.5, 1250.0});
        return S("reset",
                 {{"layout", "ni"}, {"samples", std::to_string(samples)}, {"bandwidth", Num(bw)}});
    }

    Step Edit(const Workspace& ws) {
        const double bw = ws.bandwidth > 0 ? ws.bandwidth : 100.0;
        const auto khz = [&] { return Num(Uniform(-0.05, 1.05) * bw); };
        switch (Whole(0, 9)) {
            case 0:
                return S(
                    "notch",
                    {{"from", khz()}, {"to", khz()}, {"level", Num(Pick({0.0, 1.0, 0.25, -0.0}))}});
            case 1:
                return S("smooth", {{"width", std::to_string(2 * Whole(0, 4) + 1)}});
            case 2:
                return S("swim", {{"law", std::to_string(Whole(1, 5))},
                                  {"nodes", std::to_string(Whole(0, 6))},
                                  {"base", Num(Uniform(0, 1))},
                                  {"peak", Num(Uniform(0, 1))},
                                  {"from", khz()},
                                  {"to", khz()}});
            case 3:
                return S("freq", {{"add", Num(static_cast<float>(Uniform(0, 1.02) * bw))}});
            case 4:
                return S("freq", {{"delete", std::to_string(Whole(0, 3))}});
            case 5:
                return S("hadamard", {{"width", Num(Uniform(100, 20000))},
                                      {"row", std::to_string(Whole(0, 4))}});
            case 6:
                if (Whole(0, 1) == 0)
                    return S("calibrate", {{"tesla", Num(Uniform(0.5, 15.0))}});
                // The default A with a B of a trap's size.
                return S("calibrate",
                         {{"a", Num(Calibration{}.Acoeff)}, {"b", Num(Uniform(-1e4, 1e4))}});
            case 7:
                return S("cursors", {{"c1", khz()}, {"c2", khz()}});
            case 8:
                return S("notch", {{"source", "cursors"}, {"level", "1"}});
            default:
                return S("isolate",
                         {{"mz", Num(Uniform(200, 3000))}, {"width", Num(Uniform(1, 60))}});
        }
    }

    int Whole(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen_); }
    double Uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(gen_);
    }
    template <class T>
    T Pick(std::initializer_list<T> choices) {
        return *(choices.begin() + Whole(0, static_cast<int>(choices.size()) - 1));
    }

private:
    std::mt19937 gen_;
};

// Thousands of seeded random sessions: after every action the workspace is
// the recipe's replay, a refused step changes nothing, and undoing then
// redoing everything comes back to the same bits.
TEST(DesignModel, TheWorkspaceIsAlwaysTheReplayOfTheRecipe) {
    int undos = 0, redos = 0, refusals = 0, dropped_redos = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Operator op(seed);
        Design design(false);
        design.Start(op.Reset());
        for (int action = 0; action < 14; ++action) {
            const int kind = op.Whole(0, 19);
            const Workspace before = design.workspace();
            if (kind < 4 && design.CanUndo()) {
                const std::string label = design.UndoLabel();
                design.Undo();
                ++undos;
                ASSERT_TRUE(design.CanRedo());
                EXPECT_EQ(design.RedoLabel(), label);
            } else if (kind < 6 && design.CanRedo()) {
                design.Redo();
                ++redos;
            } else if (kind == 6) {
                design.Start(op.Reset());
                EXPECT_FALSE(design.CanUndo());
                EXPECT_FALSE(design.CanRedo());
            } else {
                const Step step = op.Edit(design.workspace());
                const bool could_redo = design.CanRedo();
                try {
                    design.Apply(step, step.name);
                    ASSERT_FALSE(design.CanRedo()) << "a new step keeps the redo list";
                    ASSERT_TRUE(design.CanUndo());
                    EXPECT_EQ(design.UndoLabel(), step.name);
                    dropped_redos += could_redo;
                } catch (const Refusal&) {
                    ++refusals;
                    ASSERT_EQ(Differences(design.workspace(), before, true), "")
                        << recipe::FormatStep(step);
                    EXPECT_EQ(design.CanRedo(), could_redo);
                }
            }
            ASSERT_EQ(Differences(design.workspace(), Replayed(design.Recipe())), "")
                << "after action " << action << "\n"
                << [&] {
                       std::string t;
                       for (const std::string& l : design.Recipe())
                           t += l + "\n";
                       return t;
                   }();
        }
        // All the way back and forth again.
        const Workspace last = design.workspace();
        const std::vector<std::string> recipe = design.Recipe();
        int steps = 0;
        while (design.CanUndo())
            design.Undo(), ++steps;
        ASSERT_EQ(Differences(design.workspace(), Replayed(design.Recipe())), "");
        for (int k = 0; k < steps; ++k)
            design.Redo();
        ASSERT_EQ(Differences(design.workspace(), last), "");
        ASSERT_EQ(design.Recipe(), recipe);
    }
    // The sessions reached every branch many times.
    EXPECT_GT(undos, 2000);
    EXPECT_GT(redos, 500);
    EXPECT_GT(refusals, 1000);
    EXPECT_GT(dropped_redos, 300);
}

// A hand-worked session: the recipe lines in order, the Undo item's names,
// redo putting a line back at its own place, and a series ending what can be
// undone.
TEST(DesignModel, UndoRedoAndSeriesOnAWorkedSession) {
    testing::TestDir dir;
    Design design;
    design.Start(S("reset", {{"layout", "ni"}, {"samples", "32"}, {"bandwidth", "100"}}));
    design.Apply(S("freq", {{"add", "20"}}), "adding 20 kHz");
    design.Apply(S("notch", {{"from", "10"}, {"to", "50"}, {"level", "1"}}), "band");
    design.Apply(S("calibrate", {{"a", "2e7"}}), "calibration");
    EXPECT_EQ(design.Recipe(),
              (std::vector<std::string>{"reset layout=ni samples=32 bandwidth=100", "freq add=20",
                                        "notch from=10 to=50 level=1", "calibrate a=2e7"}));
    design.Undo();
    design.Undo();
    EXPECT_EQ(design.RedoLabel(), "band");
    EXPECT_EQ(design.workspace().Magnitude, std::vector<double>(16, 0.0));
    EXPECT_EQ(design.workspace().calibration.Acoeff, Calibration{}.Acoeff);
    design.Redo();
    // Points 1 .. 7 of 16 over 0 .. 100 kHz: from the point of 10 kHz up to,
    // not including, the point of 50 kHz.
    std::vector<double> band(16, 0.0);
    std::fill(band.begin() + 1, band.begin() + 8, 1.0);
    EXPECT_EQ(design.workspace().Magnitude, band);
    EXPECT_EQ(design.Recipe().back(), "notch from=10 to=50 level=1");
    EXPECT_TRUE(design.Edited());
    design.MarkSaved();
    EXPECT_FALSE(design.Edited());
    // A store records where a waveform went: it edits no design.
    {
        Design stored;
        stored.Start(S("reset", {{"layout", "ni"}, {"samples", "32"}, {"bandwidth", "100"}}));
        stored.Apply(S("notch", {{"from", "10"}, {"to", "50"}, {"level", "1"}}), "band");
        stored.Apply(S("swift", {}), "synthesis");
        stored.MarkSaved();
        stored.Apply(S("store", {{"file", (dir / "w.swf").string()}}), "store");
        EXPECT_FALSE(stored.Edited());
        EXPECT_EQ(stored.Recipe().back().rfind("store file=", 0), 0u);
    }

    // A series writes its members and rewrites the profile: nothing before
    // it can be undone, and it stays in the recipe.
    const std::string file = (dir / "s.swf").string();
    recipe::StepHooks hooks;
    SeriesReport report;
    hooks.report = &report;
    design.Apply(S("swim", {{"law", "1"},
                            {"nodes", "1"},
                            {"last", "2"},
                            {"base", "0"},
                            {"peak", "1"},
                            {"from", "10"},
                            {"to", "60"},
                            {"file", file}}),
                 "series", hooks);
    EXPECT_EQ(report.written, 2u);
    EXPECT_FALSE(design.CanUndo());
    EXPECT_FALSE(design.CanRedo());
    EXPECT_EQ(design.Recipe().size(), 4u);
    // An edit after it undoes back to the series' profile, not before.
    const std::vector<double> after_series = design.workspace().Magnitude;
    design.Apply(S("smooth", {{"width", "3"}}), "smooth");
    design.Undo();
    EXPECT_EQ(design.workspace().Magnitude, after_series);
    EXPECT_FALSE(design.CanUndo());
}

// An opened design replays its steps (stores aside) and offers nothing to
// undo; a float of the list is written with its own shortest digits.
TEST(DesignModel, ReplayedDesignsAndTheirLines) {
    const std::vector<Step> steps = recipe::ParseRecipe(
        "reset layout=ni samples=32 bandwidth=100\nfreq add=80.3\n"
        "notch from=10 to=50 level=1\nsmooth width=3\n");
    Design opened(false);
    const Design::Replayed r = opened.Replay(steps);
    ASSERT_TRUE(r.reset);
    EXPECT_FALSE(r.series);
    EXPECT_FALSE(opened.CanUndo());
    EXPECT_FALSE(opened.Edited());
    EXPECT_EQ(opened.Recipe().size(), 4u);
    EXPECT_EQ(Differences(opened.workspace(), Replayed(opened.Recipe())), "");
    // The list carried into a new design keeps 80.3, not the double's
    // 80.30000305175781.
    opened.Start(S("reset", {{"layout", "ni"}, {"samples", "16"}, {"bandwidth", "100"}}));
    EXPECT_EQ(opened.Recipe(), (std::vector<std::string>{"reset layout=ni samples=16 bandwidth=100",
                                                         "freq add=80.3"}));
}

// Beyond its budget the design forgets the oldest undo states first, and
// keeps their steps.
TEST(DesignModel, OldestUndoStatesGoBeyondTheBudget) {
    Design design(false, 60000);
    design.Start(S("reset", {{"layout", "ni"}, {"samples", "4096"}, {"bandwidth", "1000"}}));
    for (int k = 0; k < 6; ++k)
        design.Apply(S("swim", {{"law", "1"},
                                {"nodes", std::to_string(k)},
                                {"base", "0.1"},
                                {"peak", "1"},
                                {"from", "0"},
                                {"to", "1000"}}),
                     "swim " + std::to_string(k));
    EXPECT_EQ(design.Recipe().size(), 7u);
    int undos = 0;
    while (design.CanUndo())
        design.Undo(), ++undos;
    // The dense profile costs 16 kB as it stands and each edit 32 kB more,
    // before and after: 60 kB keep one.
    EXPECT_EQ(undos, 1);
    EXPECT_EQ(design.UndoLabel(), "");
    EXPECT_EQ(design.RedoLabel(), "swim 5");
}

}  // namespace
}  // namespace pelorin
