// The steps that make, store, read and show waveforms and write tables.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/display/figures.h"
#include "core/display/graph_math.h"
#include "core/display/played_once.h"
#include "core/files/csv.h"
#include "core/files/datfile.h"
#include "core/files/swf.h"
#include "core/recipe/controls.h"
#include "core/recipe/entries.h"
#include "core/recipe/runner.h"
#include "core/workspace/operations.h"

namespace pelorin::recipe {

namespace {

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

// The length show has always printed first: the profile's while it can be
// edited, the waveform's once one was synthesised or imported.
std::size_t ShownLength(const Workspace& ws) {
    if (ws.source == WaveformSource::Import || ws.phase == MenuPhase::Synthesised)
        return ws.Swift.size();
    return ws.phase == MenuPhase::Editable ? ws.Magnitude.size() : 0;
}

}  // namespace

void Runner::Swift(const Step& s) {
    const int factor = static_cast<int>(Entry(s, "factor", kFactor, true));
    const std::string check = s.Find("check") && write_files_ ? RequiredPath(s, "check") : "";
    const std::string wave = s.Find("waveform") && write_files_ ? RequiredPath(s, "waveform") : "";
    std::vector<double> spectrum;
    std::vector<double>* kept = hooks_->check ? hooks_->check : &spectrum;
    ws_.synthesis = Phase(s);
    Synthesise(ws_, factor, check.empty() && !hooks_->check ? nullptr : kept, hooks_->synthesis);
    const double bw = ws_.bandwidth;
    if (!check.empty()) {
        WriteCsv(check, "frequency_kHz,magnitude", kept->size(), [&](std::size_t i) {
            return std::pair{PointFrequency(i, kept->size(), bw), (*kept)[i]};
        });
    }
    if (!wave.empty())
        WriteCsv(wave, "index,value", ws_.Swift.size(), [&](std::size_t i) {
            return std::pair{static_cast<double>(i), ws_.Swift[i]};
        });
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
    out_ << "datapts: " << ShownLength(ws_) << '\n'
         << "bandwidth: " << Num(ws_.bandwidth) << " kHz\n"
         << "profile points: " << ws_.Magnitude.size() << '\n'
         << "waveform samples: " << ws_.Swift.size() << '\n'
         << "frequencies (kHz):";
    if (ws_.frequencies.empty())
        out_ << " none";
    for (float f : ws_.frequencies) {
        char buffer[24];
        out_ << ' '
             << std::string_view(buffer, std::to_chars(buffer, buffer + sizeof buffer, f).ptr);
    }
    out_ << "\ncursors (kHz): ";
    if (ws_.graph_cursors)
        out_ << Num(ws_.graph_cursors->first) << ' ' << Num(ws_.graph_cursors->second) << '\n';
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
        // One pass over the record gives both: the figures come from the
        // played-once spectrum's own record points.
        WaveformFigures figures;
        const PlayedOnceFigures played =
            PlayedOnceOfSamples(ws_.Swift, ws_.bandwidth, WaveformDesign(ws_), nullptr, &figures);
        out_ << FiguresText(figures) << PlayedOnceText(played);
    }
    out_ << std::flush;
}

void Runner::Inspect(const Step& s) {
    const std::string file = RequiredPath(s, "file");
    const std::string wave = s.Find("waveform") && write_files_ ? RequiredPath(s, "waveform") : "";
    const std::string spec = s.Find("spectrum") && write_files_ ? RequiredPath(s, "spectrum") : "";
    const SwfWaveform w = ReadSwfFile(file);
    // The figures come from the played-once pass over the record's own
    // points; a spectrum file is written in double precision from a
    // transform of its own.
    WaveformFigures f;
    const PlayedOnceFigures played = PlayedOnceOfCodes(w.codes, w.bandwidth, {}, nullptr, &f);
    out_ << FiguresText(f) << PlayedOnceText(played) << std::flush;
    std::vector<double> spectrum;
    if (!spec.empty())
        FiguresOfCodes(w.codes, w.bandwidth, &spectrum);
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

}  // namespace pelorin::recipe
