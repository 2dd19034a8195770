// The step table: every step's name, entries, help text and what it runs,
// and the checks that need no workspace.
#include "core/recipe/entries.h"
#include "core/recipe/runner.h"

namespace pelorin::recipe {

namespace {

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
constexpr KeyDef kExcite[] = {
    {"vpp", Kind::Real},          {"cell", Kind::Word, "cylinder|cubic|infinity"},
    {"size", Kind::Real},         {"length", Kind::Real},
    {"wall", Kind::Real},         {"beta", Kind::Real},
    {"alpha", Kind::Real},        {"trap", Kind::Real},
    {"tesla", Kind::Real},        {"hold", Kind::Word, "zoh|ideal"},
    {"mz", Kind::Real, {}, true}, {"from-mz", Kind::Real},
    {"to-mz", Kind::Real},        {"csv", Kind::Path},
    {"file", Kind::Path}};
constexpr KeyDef kIsolate[] = {{"mz", Kind::Real, {}, true},
                               {"width", Kind::Real},
                               {"from-mz", Kind::Real},
                               {"to-mz", Kind::Real}};

}  // namespace

const StepDef* FindStep(std::string_view name) {
    for (const StepDef& d : Steps())
        if (d.name == name)
            return &d;
    return nullptr;
}

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
    {"excite",
     "vpp=V [cell=cylinder|cubic|infinity] [size=MM] [length=MM] [wall=MM] [beta=B] [alpha=A] "
     "[trap=V] [tesla=T] [hold=zoh|ideal] [mz=MZ ...] [from-mz=MZ to-mz=MZ] [csv=FILE] "
     "[file=PATH.swf]",
     "predicts what the waveform in hand (or file=) does to ions at rest at the cell's centre "
     "when played once at vpp volts peak to peak between the excitation plates: for every m/z of "
     "the range (the default one, or from-mz .. to-mz) the reduced-cyclotron and magnetron radii "
     "it ends with and the farthest it swings while the record plays, and a verdict (ejected: "
     "r+ reaches the wall; lost: it swings to the wall; kept: it ends within a tenth of the "
     "wall; partial). Prints min_radius_mm, vpp_to_eject, vpp_to_keep, ejected_fraction, "
     "magnetron_hz and warnings, then a line for each target mz=; csv= writes the grid (four "
     "points a profile point). Defaults: a cylinder 60 mm across and as long, wall 30 mm, no "
     "trap, each sample held one period, the field of the calibration; beta= and alpha= "
     "override the cell's own factors (0: the cell's)",
     "excite vpp=700 mz=524.3 csv=out/ions.csv", kExcite, &Runner::Excite},
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

}  // namespace pelorin::recipe
