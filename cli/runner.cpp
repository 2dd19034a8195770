#include "cli/runner.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/csv.h"
#include "cli/entries.h"
#include "core/display/figures.h"
#include "core/display/graph_math.h"
#include "core/display/played_once.h"
#include "core/edit/freqlist.h"
#include "core/files/datfile.h"
#include "core/files/swf.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "resources/panel_ids.h"

namespace pelorin::cli {

namespace {

// The panel entries whose ranges and initial values the steps take.
constexpr ControlId kTekSamples{ids::SetReset::kPanel, ids::SetReset::kTekSamples},
    kTekBandwidth{ids::SetReset::kPanel, ids::SetReset::kTekBandwidth},
    kNiSamples{ids::SetReset::kPanel, ids::SetReset::kNiSamples},
    kNiBandwidth{ids::SetReset::kPanel, ids::SetReset::kNiBandwidth};
constexpr ControlId kNotchFrom{ids::Notch::kPanel, ids::Notch::kFrom},
    kNotchTo{ids::Notch::kPanel, ids::Notch::kTo},
    kNotchLevel{ids::Notch::kPanel, ids::Notch::kLevel};
constexpr ControlId kSmoothWidth{ids::Smooth::kPanel, ids::Smooth::kWidth};
constexpr ControlId kSwimFrom{ids::Swim::kPanel, ids::Swim::kFrom},
    kSwimTo{ids::Swim::kPanel, ids::Swim::kTo}, kSwimBase{ids::Swim::kPanel, ids::Swim::kBase},
    kSwimPeak{ids::Swim::kPanel, ids::Swim::kPeak}, kSwimLaw{ids::Swim::kPanel, ids::Swim::kLaw},
    kSwimNodes{ids::Swim::kPanel, ids::Swim::kNodes},
    kSwimLast{ids::Swim::kPanel, ids::Swim::kLastNodes},
    kSwimSmooth{ids::Swim::kPanel, ids::Swim::kSmoothMembers};
constexpr ControlId kFrequency{ids::Hadamard::kPanel, ids::Hadamard::kFrequency},
    kHadamardWidth{ids::Hadamard::kPanel, ids::Hadamard::kWidth};
constexpr ControlId kFactor{ids::Process::kPanel, ids::Process::kFactor};

constexpr KeyDef kReset[] = {
    {"layout", Kind::Word, "tek|ni"}, {"samples", Kind::Whole}, {"bandwidth", Kind::Real}};
constexpr KeyDef kCursors[] = {
    {"c1", Kind::Real}, {"c2", Kind::Real}, {"c1-mz", Kind::Real}, {"c2-mz", Kind::Real}};
constexpr KeyDef kNotch[] = {{"from", Kind::Real},
                             {"to", Kind::Real},
                             {"from-mz", Kind::Real},
                             {"to-mz", Kind::Real},
                             {"source", Kind::Word, "typed|cursors"},
                             {"level", Kind::Real}};
constexpr KeyDef kSmooth[] = {{"width", Kind::Whole}};
constexpr KeyDef kSwim[] = {{"law", Kind::Whole},
                            {"nodes", Kind::Whole},
                            {"base", Kind::Real},
                            {"peak", Kind::Real},
                            {"from", Kind::Real},
                            {"to", Kind::Real},
                            {"from-mz", Kind::Real},
                            {"to-mz", Kind::Real},
                            {"source", Kind::Word, "typed|cursors"},
                            {"last", Kind::Whole},
                            {"file", Kind::Path},
                            {"smooth", Kind::Whole},
                            {"phase", Kind::Word, "quadratic|optimised"},
                            {"iterations", Kind::Whole}};
constexpr KeyDef kFreq[] = {
    {"add", Kind::Real}, {"add-mz", Kind::Real}, {"delete", Kind::Whole}, {"read", Kind::Path}};
constexpr KeyDef kHadamard[] = {{"width", Kind::Real},
                                {"row", Kind::Whole},
                                {"batch", Kind::Path},
                                {"phase", Kind::Word, "quadratic|optimised"},
                                {"iterations", Kind::Whole}};
constexpr KeyDef kSwift[] = {{"factor", Kind::Whole},
                             {"check", Kind::Path},
                             {"waveform", Kind::Path},
                             {"phase", Kind::Word, "quadratic|optimised"},
                             {"iterations", Kind::Whole}};
constexpr KeyDef kStore[] = {{"file", Kind::Path}};
constexpr KeyDef kImport[] = {{"file", Kind::Path}, {"awg", Kind::Whole}, {"out", Kind::Path}};
constexpr KeyDef kExport[] = {{"profile", Kind::Path}};
constexpr KeyDef kInspect[] = {
    {"file", Kind::Path}, {"waveform", Kind::Path}, {"spectrum", Kind::Path}};
constexpr KeyDef kCalibrate[] = {
    {"a", Kind::Real}, {"tesla", Kind::Real}, {"b", Kind::Real}, {"peak", Kind::Path, {}, true}};
constexpr KeyDef kIsolate[] = {{"mz", Kind::Real, {}, true},
                               {"width", Kind::Real},
                               {"from-mz", Kind::Real},
                               {"to-mz", Kind::Real}};

const StepDef* FindStep(std::string_view name) {
    for (const StepDef& d : Steps())
        if (d.name == name)
            return &d;
    return nullptr;
}

bool OnGraph(const Workspace& ws, double f) {
    return f >= 0.0 && f <= ws.bandwidth;
}

const char* PhaseName(MenuPhase phase) {
    switch (phase) {
        case MenuPhase::Start:
            return "start (no profile yet)";
        case MenuPhase::Editable:
            return "editable";
        case MenuPhase::Synthesised:
            return "synthesised";
    }
    return "?";
}

}  // namespace

const StepDef Runner::kSteps[] = {
    {"reset", "[layout=tek|ni] samples=COUNT bandwidth=KHZ",
     "starts a profile of COUNT/2 points over 0 .. bandwidth, all zero; the Tektronix "
     "bandwidth snaps to 12500/k kHz",
     "reset layout=tek samples=65536 bandwidth=1250", kReset, &Runner::Reset},
    {"calibrate", "a=HZ | tesla=T  [b=HZ2] | peak=MZ@KHZ [peak=MZ@KHZ ...]",
     "sets the mass calibration m/z = a/f + b/f^2 (f in Hz); tesla= gives a for singly "
     "charged ions in that field; b defaults to 0. peak= gives calibrants, each a known m/z "
     "and the frequency it was measured at: one fits a (b = 0), two or more fit a and b by "
     "least squares, and show lists each residual in ppm. a lies from 1e5 to 1e10 Hz, b is "
     "0 or a normal number up to 1e15 in size, and m/z must fall over the default m/z range "
     "of the profile (from max(1 % of the bandwidth, 10 kHz) up). Until then tesla=7 "
     "(a = 107492822.84 Hz), b=0",
     "calibrate peak=524.3@204.96 peak=1021.9@105.16", kCalibrate, &Runner::Calibrate},
    {"cursors", "c1=KHZ c2=KHZ | c1-mz=MZ c2-mz=MZ", "places the two graph cursors",
     "cursors c1=200 c2=400", kCursors, &Runner::Cursors},
    {"notch", "from=KHZ to=KHZ | from-mz=MZ to-mz=MZ | source=cursors  level=LEVEL",
     "sets the window's points to level (1 for a band, 0 for a notch): in kHz from the "
     "point of from up to, not including, the point of to; in m/z every point whose m/z "
     "lies inside, rounded outward to the point beyond each end, and a notch at least two "
     "points wide",
     "notch from=200 to=400 level=1", kNotch, &Runner::Notch},
    {"smooth", "width=ODD", "centred moving average over an odd number of points", "smooth width=5",
     kSmooth, &Runner::Smooth},
    {"swim",
     "law=1..5 nodes=N base=LEVEL peak=LEVEL from=KHZ to=KHZ | from-mz=MZ to-mz=MZ | "
     "source=cursors",
     "modulates the band; with last=N file=PATH.swf [smooth=1] [phase=optimised "
     "[iterations=K]] writes one waveform per nodes value from nodes to last instead",
     "swim law=1 nodes=2 base=0 peak=1 from=100 to=300 last=8 file=out/swim.swf", kSwim,
     &Runner::Swim},
    {"freq", "add=KHZ | add-mz=MZ | delete=INDEX | read=FILE.pks",
     "edits the frequency list of the Hadamard encoding (delete counts from 0)",
     "freq read=peaks.pks", kFreq, &Runner::Freq},
    {"hadamard", "width=HZ row=ROW | batch=PATH.swf [phase=optimised [iterations=K]]",
     "adds the bands of one row, or writes one waveform per row 1 .. order-1",
     "hadamard width=2000 batch=out/had.swf", kHadamard, &Runner::Hadamard},
    {"swift",
     "[factor=-1] [phase=quadratic|optimised] [iterations=60] [check=FILE.csv] "
     "[waveform=FILE.csv]",
     "synthesises the waveform; the profile is then fixed until the next reset. "
     "phase=optimised spreads the power evenly in time (crest factor about 1.4 for a band, "
     "against 1.9 to 2.5) and promises the spectrum of the record played once within "
     "+-0.5 dB of the design over each band, 40 dB down outside the bands and 30 dB down "
     "in notches (2 % of a band's width at its edges and a margin around each notch "
     "left to the transition); it sweeps in factor's direction, costs about a quarter "
     "of a second at 65536 samples and 9 s at 2^20 (1000 classic syntheses), takes at "
     "most 2^24 samples, and leaves many samples at full scale on purpose. check= writes "
     "the spectrum check (kHz, magnitude), waveform= the samples (index, value)",
     "swift factor=-1 check=out/check.csv", kSwift, &Runner::Swift},
    {"store", "file=PATH.swf", "writes the waveform", "store file=out/band.swf", kStore,
     &Runner::Store},
    {"import", "file=PATH.dat awg=0|1|2 [out=PATH.swf]",
     "reads a .dat waveform, its bandwidth snapped to AWG 1 (25 MHz) or 2 (40 MHz) or, with "
     "awg=0, taken as 320 kHz; out= stores it",
     "import file=scan.dat awg=1 out=out/scan.swf", kImport, &Runner::Import},
    {"export", "profile=FILE.csv", "writes the profile (kHz, value)",
     "export profile=out/profile.csv", kExport, &Runner::Export},
    {"isolate", "mz=MZ [mz=MZ ...] width=MZ [from-mz=MZ to-mz=MZ]",
     "sets the profile to 1 over an m/z range and to 0 in a window width m/z units wide "
     "around each target: an ejection of all but the targets. The range is from-mz .. to-mz, "
     "or the default one from the bandwidth down to max(1 % of the bandwidth, 10 kHz), clear "
     "of the magnetron frequency (show prints it). Windows are rounded outward to whole "
     "points, each target's own point is zeroed, and a window narrower than two points is "
     "refused with the width and the sample count it needs",
     "isolate mz=524.3 width=2", kIsolate, &Runner::Isolate},
    {"inspect", "file=PATH.swf [waveform=FILE.csv] [spectrum=FILE.csv]",
     "prints the figures of a stored waveform, one key: value a line: samples, "
     "bandwidth_khz, peak, rms, crest_factor, crest_factor_db, clipped_fraction and band_khz "
     "(where its spectrum reaches half its largest value); waveform= writes its samples "
     "(index, 2 code / 4095 - 1), spectrum= its spectrum (kHz, relative to the largest)",
     "inspect file=out/band.swf", kInspect, &Runner::Inspect},
    {"show",
     "",
     "prints the workspace state, and the figures of the waveform when there is one (see "
     "inspect)",
     "show",
     {},
     &Runner::Show},
};

std::span<const StepDef> Steps() {
    return Runner::kSteps;
}

void CheckStep(const Step& step) {
    const StepDef* def = FindStep(step.name);
    if (!def) {
        std::string names;
        for (const StepDef& d : Steps())
            names += (names.empty() ? "" : ", ") + std::string(d.name);
        throw Refused("unknown step \"" + Shown(step.name) + "\"; the steps are " + names +
                      " (pelorin-cli --help describes them)");
    }
    for (std::size_t i = 0; i < step.entries.size(); ++i) {
        const Entry& e = step.entries[i];
        const KeyDef* key = nullptr;
        for (const KeyDef& k : def->keys)
            if (k.key == e.key)
                key = &k;
        if (!key) {
            std::string keys;
            for (const KeyDef& k : def->keys) {
                if (!keys.empty())
                    keys += ' ';
                keys.append(k.key).append("=");
            }
            throw Refused(step.name + " has no entry \"" + Shown(e.key) + "\"; " +
                          (keys.empty() ? "it takes none" : "its entries are " + keys));
        }
        if (!key->list)
            for (std::size_t j = 0; j < i; ++j)
                if (step.entries[j].key == e.key)
                    throw Refused(step.name + ": " + Shown(e.key) + "= is given twice");
        if (key->kind == Kind::Whole)
            ParseWhole(e.key, e.value);
        else if (key->kind == Kind::Real)
            ParseReal(e.key, e.value);
        else if (key->kind == Kind::Word && !IsWord(key->words, e.value))
            throw Refused(step.name + ": " + Setting(e.key, e.value) +
                          " is not understood; write " + Words(key->words, e.key));
    }
}

Runner::Runner(std::ostream& out, std::ostream* progress, bool write_files)
    : out_(out),
      progress_(progress),
      write_files_(write_files),
      panels_(uir::ParseUir(uir::PanelResourceText())) {}

void Runner::RequireWriting(const Step& s) const {
    if (!write_files_)
        throw Refused("the " + s.name +
                      " series writes files, which a design opened in the window does not do");
}

void Runner::Run(const Step& s) {
    CheckStep(s);
    (this->*FindStep(s.name)->run)(s);
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
    if (!cursors_placed_)
        throw Refused("source=cursors, but no cursors step has placed the cursors yet");
    if (!OnGraph(ws_, c1_) || !OnGraph(ws_, c2_))
        throw Refused("the cursors at " + Num(c1_) + " and " + Num(c2_) +
                      " kHz lie outside the graph, 0 .. " + Num(ws_.bandwidth) +
                      " kHz, since the last reset: place them again with a cursors step");
    ws_.cursor1 = c1_;
    ws_.cursor2 = c2_;
}

SeriesProgress Runner::Progress() const {
    if (!progress_)
        return {};
    return [out = progress_](std::uint64_t done, std::uint64_t total) {
        *out << "\rmember " << done << " of " << total << (done == total ? "\n" : "") << std::flush;
        return true;
    };
}

void Runner::Account(const SeriesReport& report) {
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
    c1_ = c1;
    c2_ = c2;
    cursors_placed_ = true;
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
    Account(RunSwimSeries(ws_, band, base, peak, nodes, last, law, smooth, name, Progress()));
}

void Runner::Freq(const Step& s) {
    RequireEditableProfile(ws_);
    if (Given(s, {"add", "add-mz", "delete", "read"}) != 1)
        throw Refused("give exactly one of add=, add-mz=, delete= and read=");
    if (s.Find("add") || s.Find("add-mz")) {
        AddToFloatList(freqs_, static_cast<float>(Khz(s, "add", kFrequency)));
    } else if (const std::string* t = s.Find("delete")) {
        const long long i = ParseWhole("delete", *t);
        if (i < 0 || static_cast<unsigned long long>(i) >= freqs_.size())
            throw Refused(Setting("delete", *t) + ": the list holds " +
                          std::to_string(freqs_.size()) +
                          " frequencies, counted from 0; show lists them");
        freqs_.erase(freqs_.begin() + i);
    } else {
        out_ << MergePeakFile(freqs_, RequiredPath(s, "read")) << '\n';
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
    PrepareHadamard(ws_, freqs_, width);
    if (!batch.empty()) {
        RequireWriting(s);
        ws_.synthesis = Phase(s);
        Account(BatchHadamard(ws_, freqs_, SplitSeriesPath(batch), Progress()));
        return;
    }
    const long long row = ParseWhole("row", Required(s, "row"));
    // A row beyond int is beyond every order; -1 has ApplyHadamardRow say so.
    ApplyHadamardRow(ws_, freqs_, row >= 0 && row <= INT_MAX ? static_cast<int>(row) : -1);
}

void Runner::Swift(const Step& s) {
    const int factor = static_cast<int>(Entry(s, "factor", kFactor, true));
    const std::string check = s.Find("check") && write_files_ ? RequiredPath(s, "check") : "";
    const std::string wave = s.Find("waveform") && write_files_ ? RequiredPath(s, "waveform") : "";
    std::vector<double> spectrum;
    ws_.synthesis = Phase(s);
    Synthesise(ws_, factor, check.empty() ? nullptr : &spectrum);
    const double bw = ws_.bandwidth;
    if (!check.empty()) {
        WriteCsv(check, "frequency_kHz,magnitude", spectrum.size(), [&](std::size_t i) {
            return std::pair{PointFrequency(i, spectrum.size(), bw), spectrum[i]};
        });
    }
    if (!wave.empty())
        WriteCsv(wave, "index,value", static_cast<std::size_t>(ws_.datapts), [&](std::size_t i) {
            return std::pair{static_cast<double>(i), ws_.Swift[i]};
        });
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

void Runner::Store(const Step& s) {
    const std::string path = RequiredPath(s, "file");
    RequireWaveform(ws_);
    if (write_files_)
        StoreWaveform(ws_, path);
}

void Runner::Import(const Step& s) {
    const std::string file = RequiredPath(s, "file");
    const std::string& t = Required(s, "awg");
    const long long awg = ParseWhole("awg", t);
    if (awg < 0 || awg > 2)
        throw Refused(Setting("awg", t) +
                      ": choose 1 (25 MHz clock), 2 (40 MHz clock) or 0 (none: 320 kHz)");
    const std::string out = s.Find("out") ? RequiredPath(s, "out") : "";
    ImportWaveform(ws_, ReadDatFile(file, static_cast<int>(awg)));
    ws_.Arb = static_cast<int>(awg);
    if (!out.empty() && write_files_)
        StoreWaveform(ws_, out);
}

void Runner::Export(const Step& s) {
    const std::string path = RequiredPath(s, "profile");
    RequireProfile(ws_);
    if (!write_files_)
        return;
    const std::vector<double>& m = ws_.Magnitude;
    WriteCsv(path, "frequency_kHz,value", m.size(), [&](std::size_t i) {
        return std::pair{PointFrequency(i, m.size(), ws_.bandwidth), m[i]};
    });
}

void Runner::Show(const Step&) {
    out_ << "datapts: " << ws_.datapts << '\n'
         << "bandwidth: " << Num(ws_.bandwidth) << " kHz\n"
         << "profile points: " << ws_.Magnitude.size() << '\n'
         << "waveform samples: " << ws_.Swift.size() << '\n'
         << "frequencies (kHz):";
    if (freqs_.empty())
        out_ << " none";
    for (float f : freqs_) {
        char buffer[24];
        out_ << ' '
             << std::string_view(buffer, std::to_chars(buffer, buffer + sizeof buffer, f).ptr);
    }
    out_ << "\ncursors (kHz): ";
    if (cursors_placed_)
        out_ << Num(c1_) << ' ' << Num(c2_) << '\n';
    else
        out_ << "not placed\n";
    out_ << "phase: " << PhaseName(ws_.phase) << '\n'
         << "calibration: a=" << Num(ws_.calibration.Acoeff)
         << " Hz b=" << Num(ws_.calibration.Bcoeff) << " Hz^2\n";
    if (!ws_.calibrants.empty()) {
        const std::vector<double> ppm = ResidualsPpm(ws_.calibration, ws_.calibrants);
        double squares = 0.0;
        for (std::size_t i = 0; i < ppm.size(); ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "calibrant: %s@%s %+.3f ppm\n",
                          Num(ws_.calibrants[i].mz).c_str(), Num(ws_.calibrants[i].khz).c_str(),
                          ppm[i]);
            out_ << line;
            squares += ppm[i] * ppm[i];
        }
        char line[64];
        std::snprintf(line, sizeof line, "calibration_rms_ppm: %.3f\n",
                      std::sqrt(squares / static_cast<double>(ppm.size())));
        out_ << line;
    }
    if (ws_.mass_refusal.empty()) {
        // Ten digits: far finer than any instrument resolves, without the
        // last-bit noise of the division.
        char low[32], high[32];
        std::snprintf(low, sizeof low, "%.10g", ws_.lowmass);
        std::snprintf(high, sizeof high, "%.10g", ws_.highmass);
        out_ << "lowmass: " << low << "\nhighmass: " << high
             << "\nmass_range_khz: " << Num(DefaultFloorKhz(ws_.bandwidth)) << ' '
             << Num(ws_.bandwidth) << '\n';
    } else {
        out_ << "lowmass: none\nhighmass: none (" << ws_.mass_refusal << ")\n";
    }
    if (HasWaveform(ws_)) {
        const auto samples = std::span(ws_.Swift).first(static_cast<std::size_t>(ws_.datapts));
        out_ << FiguresText(FiguresOfSamples(samples, ws_.bandwidth));
        out_ << PlayedOnceText(PlayedOnceOfSamples(samples, ws_.bandwidth, WaveformDesign(ws_)));
    }
    out_ << std::flush;
}

void Runner::Inspect(const Step& s) {
    const std::string file = RequiredPath(s, "file");
    const std::string wave = s.Find("waveform") && write_files_ ? RequiredPath(s, "waveform") : "";
    const std::string spec = s.Find("spectrum") && write_files_ ? RequiredPath(s, "spectrum") : "";
    const SwfWaveform w = ReadSwfFile(file);
    std::vector<double> spectrum;
    const WaveformFigures f = FiguresOfCodes(w.codes, w.bandwidth, &spectrum);
    out_ << FiguresText(f) << PlayedOnceText(PlayedOnceOfCodes(w.codes, w.bandwidth)) << std::flush;
    if (!wave.empty())
        WriteCsv(wave, "index,value", w.codes.size(), [&](std::size_t i) {
            return std::pair{static_cast<double>(i), DecodeSample(w.codes[i])};
        });
    if (!spec.empty()) {
        const double step = 2.0 * w.bandwidth / static_cast<double>(w.codes.size());
        WriteCsv(spec, "frequency_kHz,magnitude", spectrum.size(), [&](std::size_t k) {
            return std::pair{static_cast<double>(k) * step, spectrum[k]};
        });
    }
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

}  // namespace pelorin::cli
