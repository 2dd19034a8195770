#include "core/recipe/runner.h"

#include <climits>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/edit/freqlist.h"
#include "core/recipe/controls.h"
#include "core/recipe/entries.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin::recipe {

namespace {

// The panel resource, read once: every runner takes its ranges from it.
const uir::Resource& Panels() {
    static const uir::Resource panels = uir::ParseUir(uir::PanelResourceText());
    return panels;
}

bool OnGraph(const Workspace& ws, double f) {
    return f >= 0.0 && f <= ws.bandwidth;
}

}  // namespace

Runner::Runner(std::ostream& out, bool write_files)
    : out_(out), write_files_(write_files), panels_(Panels()) {}

void Runner::RequireWriting(const Step& s) const {
    if (!write_files_)
        throw Refused("the " + s.name +
                      " series writes files, which a design opened in the window does not do");
}

void Runner::Run(const Step& s, const StepHooks& hooks) {
    CheckStep(s);
    hooks_ = &hooks;
    struct Done {
        const StepHooks*& hooks;
        ~Done() { hooks = nullptr; }
    } done{hooks_};
    // A step refused halfway (a window's second bound out of range, a
    // window holding no point) leaves the settings as they were; the core's
    // operations change the profile only once nothing can refuse them.
    const WorkspaceSettings before = ws_;
    try {
        (this->*FindStep(s.name)->run)(s);
    } catch (...) {
        static_cast<WorkspaceSettings&>(ws_) = before;
        throw;
    }
}

std::pair<const uir::PanelDef*, const uir::ControlDef*> Runner::Control(ControlId id) const {
    const uir::PanelDef* p = panels_.panel(id.panel);
    const uir::ControlDef* c = p ? p->control(id.control) : nullptr;
    if (!c)
        throw std::logic_error("the panel resource lacks control " + std::to_string(id.control) +
                               " of panel " + std::to_string(id.panel));
    return {p, c};
}

double Runner::Entry(const Step& s, std::string_view key, ControlId id, bool optional) const {
    const auto [p, c] = Control(id);
    const std::string* text = s.Find(key);
    if (!text && optional)
        return c->value;
    const std::string& t = text ? *text : Required(s, key);
    using uir::Kind;
    const bool whole = c->kind == Kind::Int || c->kind == Kind::UInt || c->kind == Kind::Ring ||
                       c->kind == Kind::Switch;
    const double v = whole ? static_cast<double>(ParseWhole(key, t)) : ParseReal(key, t);
    if (c->kind == Kind::Ring) {
        std::string choices;
        for (const auto& [value, label] : c->items) {
            if (value == v)
                return v;
            choices += (choices.empty() ? "" : ", ") + std::to_string(value) + " (" + label + ")";
        }
        throw Refused(Setting(key, t) + " is not one of " + choices);
    }
    const double lo = c->kind == Kind::Switch ? 0.0 : c->min;
    const double hi = c->kind == Kind::Switch ? 1.0 : c->max;
    if (v < lo || v > hi)
        throw Refused(Setting(key, t) + " lies outside " + Num(lo) + " .. " + Num(hi) +
                      ", the range of \"" + c->label + "\" on the " + p->title + " panel");
    return v;
}

double Runner::MzEntry(const Step& s, std::string_view key, ControlId id) const {
    const std::string& text = Required(s, key);
    const double khz = KhzOf(ws_, ParseReal(key, text));
    const auto [p, c] = Control(id);
    if (khz < c->min || khz > c->max)
        throw Refused(Setting(key, text) + " is " + Num(khz) + " kHz, outside " + Num(c->min) +
                      " .. " + Num(c->max) + ", the range of \"" + c->label + "\" on the " +
                      p->title + " panel");
    return khz;
}

double Runner::Khz(const Step& s, std::string_view key, ControlId id) const {
    const std::string mz = std::string(key) + "-mz";
    if (!s.Find(mz))
        return Entry(s, key, id);
    if (s.Find(key))
        throw Refused("give " + std::string(key) + "= (kHz) or " + mz + "= (m/z), not both");
    return MzEntry(s, mz, id);
}

void Runner::Bounds(const Step& s, ControlId from, ControlId to) {
    if (Word(s, "source", "typed") == "typed") {
        // The panel writes its second bound first, as the graphical one does.
        ws_.cursor2 = Entry(s, "to", to);
        ws_.cursor1 = Entry(s, "from", from);
        return;
    }
    if (Given(s, {"from", "to", "from-mz", "to-mz"}) > 0)
        throw Refused(
            "the window's bounds are not read with source=cursors: give one or the "
            "other");
    if (!ws_.graph_cursors)
        throw Refused("source=cursors, but no cursors step has placed the cursors yet");
    const auto [c1, c2] = *ws_.graph_cursors;
    if (!OnGraph(ws_, c1) || !OnGraph(ws_, c2))
        throw Refused("the cursors at " + Num(c1) + " and " + Num(c2) +
                      " kHz lie outside the graph, 0 .. " + Num(ws_.bandwidth) +
                      " kHz, since the last reset: place them again with a cursors step");
    ws_.cursor1 = c1;
    ws_.cursor2 = c2;
}

void Runner::Account(const SeriesReport& report) {
    if (hooks_->report) {
        *hooks_->report = report;
        return;
    }
    out_ << SeriesSummary(report) << '\n' << std::flush;
    // Skipped members are the design's (a row without power); a failed write
    // is a fault the caller must see.
    if (report.failed_count > 0)
        throw Refused(std::to_string(report.failed_count) +
                      (report.failed_count == 1 ? " file" : " files") +
                      " of the series could not be written (see the account above)");
}

void Runner::Reset(const Step& s) {
    const bool tek = Word(s, "layout", "tek") == "tek";
    const double samples = Entry(s, "samples", tek ? kTekSamples : kNiSamples);
    const double entered = Entry(s, "bandwidth", tek ? kTekBandwidth : kNiBandwidth);
    SetReset(ws_, static_cast<int>(samples), SetResetBandwidth(tek, entered));
}

void Runner::Cursors(const Step& s) {
    RequireSetReset(ws_);
    double c[2];
    for (int i = 0; i < 2; ++i) {
        const std::string key = "c" + std::to_string(i + 1);
        const std::string mz = key + "-mz";
        if (s.Find(key) && s.Find(mz))
            throw Refused("give " + key + "= (kHz) or " + mz + "= (m/z), not both");
        const bool in_mz = s.Find(mz) != nullptr;
        const std::string& t = Required(s, in_mz ? mz : key);
        c[i] = in_mz ? KhzOf(ws_, ParseReal(mz, t)) : ParseReal(key, t);
        if (!OnGraph(ws_, c[i]))
            throw Refused(Setting(in_mz ? mz : key, t) +
                          (in_mz ? " is " + Num(c[i]) + " kHz, which" : std::string()) +
                          " lies outside the graph, 0 .. " + Num(ws_.bandwidth) + " kHz");
    }
    const double c1 = c[0], c2 = c[1];
    ws_.graph_cursors = std::pair{c1, c2};
    ws_.cursor1 = c1;
    ws_.cursor2 = c2;
}

void Runner::Notch(const Step& s) {
    RequireEditableProfile(ws_);
    const double level = Entry(s, "level", kNotchLevel);
    if (const auto mz = MzWindowEntries(s)) {
        ApplyMzNotch(ws_, mz->first, mz->second, level);
        return;
    }
    Bounds(s, kNotchFrom, kNotchTo);
    ApplyNotch(ws_, level);
}

std::optional<std::pair<double, double>> Runner::MzWindowEntries(const Step& s) const {
    if (Given(s, {"from-mz", "to-mz"}) == 0)
        return std::nullopt;
    if (Given(s, {"from", "to"}) > 0)
        throw Refused(
            "give the window in kHz (from= to=) or in m/z (from-mz= to-mz=), not "
            "both");
    if (Word(s, "source", "typed") != "typed")
        throw Refused(
            "the window's bounds are not read with source=cursors: give one or the "
            "other");
    return std::pair{ParseReal("from-mz", Required(s, "from-mz")),
                     ParseReal("to-mz", Required(s, "to-mz"))};
}

void Runner::Smooth(const Step& s) {
    RequireEditableProfile(ws_);
    ApplySmoothing(ws_, static_cast<int>(Entry(s, "width", kSmoothWidth)));
}

void Runner::Swim(const Step& s) {
    RequireEditableProfile(ws_);
    const double base = Entry(s, "base", kSwimBase);
    const double peak = Entry(s, "peak", kSwimPeak);
    const auto nodes = static_cast<std::uint32_t>(Entry(s, "nodes", kSwimNodes));
    const int law = static_cast<int>(Entry(s, "law", kSwimLaw));
    const bool series = Given(s, {"last", "file"}) > 0;
    if (!series && Given(s, {"smooth", "phase", "iterations"}) > 0)
        throw Refused(
            "smooth=, phase= and iterations= belong to a series: give last= and file= "
            "as well (a single profile takes its phase law at swift)");
    const auto mz = MzWindowEntries(s);
    if (!mz) {
        Bounds(s, kSwimFrom, kSwimTo);
        OrderBounds(ws_);
    }
    const BandIndices band = mz ? MzBand(ws_, mz->first, mz->second) : SwimBand(ws_);
    if (!series) {
        ApplySwim(ws_, band, base, peak, nodes, law);
        return;
    }
    const auto last = static_cast<std::uint32_t>(Entry(s, "last", kSwimLast));
    const bool smooth = Entry(s, "smooth", kSwimSmooth, true) != 0.0;
    const SeriesName name = SplitSeriesPath(RequiredPath(s, "file"));
    RequireWriting(s);
    ws_.synthesis = Phase(s);
    Account(RunSwimSeries(ws_, band, base, peak, nodes, last, law, smooth, name, hooks_->series));
}

void Runner::Freq(const Step& s) {
    // The list is the encoding's, kept from one profile to the next.
    if (Given(s, {"add", "add-mz", "delete", "read"}) != 1)
        throw Refused("give exactly one of add=, add-mz=, delete= and read=");
    if (s.Find("add") || s.Find("add-mz")) {
        AddToFloatList(ws_.frequencies, static_cast<float>(Khz(s, "add", kFrequency)));
    } else if (const std::string* t = s.Find("delete")) {
        const long long i = ParseWhole("delete", *t);
        if (i < 0 || static_cast<unsigned long long>(i) >= ws_.frequencies.size())
            throw Refused(Setting("delete", *t) + ": the list holds " +
                          std::to_string(ws_.frequencies.size()) +
                          " frequencies, counted from 0; show lists them");
        ws_.frequencies.erase(ws_.frequencies.begin() + i);
    } else {
        out_ << MergePeakFile(ws_.frequencies, RequiredPath(s, "read")) << '\n';
    }
}

void Runner::Hadamard(const Step& s) {
    if (Given(s, {"row", "batch"}) != 1)
        throw Refused("give exactly one of row= and batch=");
    const double width = Entry(s, "width", kHadamardWidth);
    const std::string batch = s.Find("batch") ? RequiredPath(s, "batch") : "";
    if (batch.empty() && Given(s, {"phase", "iterations"}) > 0)
        throw Refused(
            "phase= and iterations= belong to a batch (a row takes its phase law at "
            "swift)");
    PrepareHadamard(ws_, width);
    if (!batch.empty()) {
        RequireWriting(s);
        ws_.synthesis = Phase(s);
        Account(RunHadamardBatch(ws_, SplitSeriesPath(batch), hooks_->series));
        return;
    }
    const long long row = ParseWhole("row", Required(s, "row"));
    // A row beyond int is beyond every order; -1 has ApplyHadamardRow say so.
    ApplyHadamardRow(ws_, row >= 0 && row <= INT_MAX ? static_cast<int>(row) : -1);
}

PhaseChoice Runner::Phase(const Step& s) const {
    PhaseChoice choice;
    choice.law =
        Word(s, "phase", "quadratic") == "optimised" ? PhaseLaw::Optimised : PhaseLaw::Quadratic;
    if (const std::string* t = s.Find("iterations")) {
        if (choice.law != PhaseLaw::Optimised)
            throw Refused("iterations= belongs to phase=optimised");
        const long long k = ParseWhole("iterations", *t);
        if (k < 0 || k > kMaxCrestIterations)
            throw Refused(Setting("iterations", *t) + " lies outside 0 .. " +
                          std::to_string(kMaxCrestIterations));
        choice.iterations = static_cast<int>(k);
    }
    return choice;
}

void Runner::Calibrate(const Step& s) {
    if (s.Find("peak")) {
        if (Given(s, {"a", "tesla", "b"}) > 0)
            throw Refused(
                "give the calibrants (peak=) or the coefficients (a= or tesla=, b=), "
                "not both");
        std::vector<CalibrantPeak> peaks;
        for (const std::string& p : s.All("peak")) {
            const std::size_t at = p.find('@');
            if (at == std::string::npos)
                throw Refused(Setting("peak", p) +
                              " is not understood; write peak=MZ@KHZ, e.g. peak=524.3@204.96");
            peaks.push_back(
                {ParseReal("peak", p.substr(0, at)), ParseReal("peak", p.substr(at + 1))});
        }
        SetCalibration(ws_, FitCalibration(peaks).calibration, peaks);
        return;
    }
    if (Given(s, {"a", "tesla"}) != 1)
        throw Refused("give exactly one of a= (Hz) and tesla= (the magnet's field), or peak=");
    Calibration c;
    if (const std::string* a = s.Find("a"))
        c.Acoeff = ParseReal("a", *a);
    else
        c.Acoeff = kHzPerTesla * ParseReal("tesla", *s.Find("tesla"));
    c.Bcoeff = s.Find("b") ? ParseReal("b", *s.Find("b")) : 0.0;
    SetCalibration(ws_, c);
}

void Runner::Isolate(const Step& s) {
    RequireEditableProfile(ws_);
    std::vector<double> targets;
    for (const std::string& t : s.All("mz"))
        targets.push_back(ParseReal("mz", t));
    if (targets.empty())
        throw Refused("needs mz=, once for each m/z to keep");
    const double width = ParseReal("width", Required(s, "width"));
    std::optional<std::pair<double, double>> range;
    switch (Given(s, {"from-mz", "to-mz"})) {
        case 1:
            throw Refused("give from-mz= and to-mz= together, or neither for the whole profile");
        case 2:
            range = {ParseReal("from-mz", *s.Find("from-mz")),
                     ParseReal("to-mz", *s.Find("to-mz"))};
            break;
        default:
            break;
    }
    ApplyIsolation(ws_, targets, width, range);
}

}  // namespace pelorin::recipe
