// The excite step: what the waveform does to the ions, in words and as a table.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/files/atomic_file.h"
#include "core/files/swf.h"
#include "core/recipe/controls.h"
#include "core/recipe/entries.h"
#include "core/recipe/runner.h"
#include "core/workspace/operations.h"

namespace pelorin::recipe {

namespace {

// Four significant digits, as the radii are read.
std::string Four(double v) {
    if (std::isinf(v))
        return "never";
    if (std::isnan(v))
        return "none";
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

}  // namespace

ExcitationRequest Runner::Excitation(const Step& s) const {
    ExcitationRequest r;
    ExcitationSetup& setup = r.setup;
    setup.vpp = Entry(s, "vpp", kExciteVpp);
    const std::string shape = Word(s, "cell", "cylinder");
    setup.cell.shape = *ShapeNamed(shape);
    setup.cell.size_mm = Entry(s, "size", kExciteSize, true);
    // A cylinder as long as it is wide, its wall at its radius, unless told.
    setup.cell.length_mm =
        s.Find("length") ? Entry(s, "length", kExciteLength) : setup.cell.size_mm;
    setup.cell.wall_mm = s.Find("wall") ? Entry(s, "wall", kExciteWall) : setup.cell.size_mm / 2;
    if (const double beta = Entry(s, "beta", kExciteBeta, true); beta > 0.0)
        setup.cell.beta = beta;
    if (const double alpha = Entry(s, "alpha", kExciteAlpha, true); alpha > 0.0)
        setup.cell.alpha = alpha;
    setup.trap_v = Entry(s, "trap", kExciteTrap, true);
    if (const double tesla = Entry(s, "tesla", kExciteTesla, true); tesla > 0.0)
        setup.tesla = tesla;
    setup.hold = Word(s, "hold", "zoh") == "zoh";
    setup.calibration = ws_.calibration;
    for (const std::string& t : s.All("mz")) {
        const double mz = ParseReal("mz", t);
        Step one{s.name, {{"mz", t}}, s.line};
        Entry(one, "mz", kExciteTarget);
        setup.targets.push_back(mz);
    }
    if (s.Find("csv"))
        r.csv = RequiredPath(s, "csv");

    if (s.Find("file")) {
        const SwfWaveform w = ReadSwfFile(RequiredPath(s, "file"));
        r.played = PlayedValues(w.codes);
        r.bandwidth_khz = w.bandwidth;
    } else {
        RequireWaveform(ws_);
        // As the AWG plays it: the codes the file would hold.
        r.played.resize(ws_.Swift.size());
        for (std::size_t i = 0; i < r.played.size(); ++i)
            r.played[i] = 2.0 * SampleCode(ws_.Swift[i]) / 4095.0 - 1.0;
        r.bandwidth_khz = ws_.bandwidth;
    }
    switch (Given(s, {"from-mz", "to-mz"})) {
        case 1:
            throw Refused("give from-mz= and to-mz= together, or neither for the default range");
        case 2:
            setup.range_mz = {Entry(s, "from-mz", kExciteFrom), Entry(s, "to-mz", kExciteTo)};
            break;
        default: {
            const double floor = DefaultFloorKhz(r.bandwidth_khz);
            CheckCalibrationOver(setup.calibration, floor, r.bandwidth_khz,
                                 "the default m/z range");
            const MassRange range = MassRangeOf(setup.calibration, floor, r.bandwidth_khz);
            setup.range_mz = {range.lowmass, range.highmass};
        }
    }
    return r;
}

void Runner::Excite(const Step& s) {
    const ExcitationRequest request = Excitation(s);
    const ExcitationReport report =
        pelorin::Excite(request.played, request.bandwidth_khz, request.setup);
    out_ << ExcitationText(report) << std::flush;
    if (!request.csv.empty() && write_files_)
        WriteExcitationCsv(request.csv, report);
}

std::string ExcitationText(const ExcitationReport& r) {
    std::string text;
    const auto line = [&](const std::string& key, const std::string& value) {
        text += key + ": " + value + "\n";
    };
    line("min_radius_mm", Four(r.min_radius_mm));
    line("min_radius_mz", Four(r.min_radius_mz));
    line("vpp_to_eject", Four(r.vpp_to_eject));
    line("vpp_to_keep", r.targets.empty() ? "none" : Four(r.vpp_to_keep));
    line("vpp_window", r.targets.empty() || !(r.vpp_to_eject <= r.vpp_to_keep)
                           ? "none"
                           : Four(r.vpp_to_eject) + " " + Four(r.vpp_to_keep));
    line("ejected_fraction", Four(r.ejected_fraction));
    line("magnetron_hz", Four(r.magnetron_hz));
    line("beta", Four(r.beta));
    line("alpha", Four(r.alpha));
    line("tesla", Four(r.tesla));
    for (const std::string& w : r.warnings)
        line("warning", w);
    for (std::size_t i = 0; i < r.targets.size(); ++i) {
        const IonResponse& t = r.targets[i];
        text += "target " + Num(t.mz) + ": r_plus_mm=" + Four(t.r_plus_mm) +
                " r_minus_mm=" + Four(t.r_minus_mm) + " peak_mm=" + Four(t.peak_mm) +
                " verdict=" + VerdictName(t.verdict) + "\n";
        text += "transition " + Num(t.mz) + ": above_mz=" + Four(r.transitions[i].above_mz) +
                " below_mz=" + Four(r.transitions[i].below_mz) + "\n";
    }
    return text;
}

void WriteExcitationCsv(const std::string& path, const ExcitationReport& report) {
    AtomicFile file(path);
    std::string chunk = "mz,frequency_hz,r_plus_mm,r_minus_mm,peak_mm,verdict\n";
    // to_chars, not printf: the numbers must not follow the locale.
    const auto number = [&](double v, int digits) {
        char text[32];
        chunk.append(
            text,
            std::to_chars(text, text + sizeof text, v, std::chars_format::general, digits).ptr);
        chunk += ',';
    };
    const auto add = [&](const IonResponse& r) {
        number(r.mz, 10);
        number(r.frequency_hz, 10);
        number(r.r_plus_mm, 6);
        number(r.r_minus_mm, 6);
        number(r.peak_mm, 6);
        chunk += VerdictName(r.verdict);
        chunk += '\n';
        if (chunk.size() > (1u << 20)) {
            file.Write(chunk.data(), chunk.size());
            chunk.clear();
        }
    };
    for (std::size_t i = 0; i < report.grid.size(); ++i)
        add(report.At(i));
    file.Write(chunk.data(), chunk.size());
    file.Commit();
}

}  // namespace pelorin::recipe
