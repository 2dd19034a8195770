// Designing in m/z: the calibration panel, the graph's m/z axis and the
// frequency entries read in m/z.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core/edit/freqlist.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace calib = ids::Calib;
namespace menu = ids::Main;

// The shortest text that reads back to v.
std::string Shortest(double v) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v).ptr};
}

ui::AxisUnit MzUnit(const Workspace& ws) {
    const Calibration c = ws.calibration;
    const double point = HasProfile(ws) && !ws.Magnitude.empty()
                             ? ws.bandwidth / static_cast<double>(ws.Magnitude.size())
                             : 0.0;
    ui::AxisUnit unit;
    unit.label = "m/z (falls →)";
    unit.name = "m/z";
    unit.decimals = 3;
    unit.value = [c](double khz) { return MzFromKhz(c, khz); };
    unit.position = [c](double mz) { return KhzFromMz(c, mz); };
    unit.ticks = [c](double lo, double hi, int count) { return MzTicks(c, lo, hi, count); };
    // The m/z one profile point spans where the cursor stands.
    if (point > 0.0)
        unit.spacing = [c, point](double khz) {
            return khz - point / 2.0 > 0.0
                       ? MzFromKhz(c, khz - point / 2.0) - MzFromKhz(c, khz + point / 2.0)
                       : std::numeric_limits<double>::infinity();
        };
    return unit;
}

// The entries that take a frequency: a window's two bounds, or one value.
struct FrequencyEntries {
    int panel;
    int from;
    int to;  // 0 for a single entry
};

}  // namespace

std::string FrequencyListLabel(float khz) {
    const Workspace& ws = workspace();
    std::string label = FrequencyLabel(khz);
    if (screen().mzaxis && khz > 0.0f) {
        const double mz = MzFromKhz(ws.calibration, khz);
        const double point =
            HasProfile(ws) ? ws.bandwidth / static_cast<double>(ws.Magnitude.size()) : 0.0;
        const double spacing = point > 0.0 && khz > point
                                   ? MzFromKhz(ws.calibration, khz - point / 2.0) -
                                         MzFromKhz(ws.calibration, khz + point / 2.0)
                                   : 0.0;
        char text[48];
        std::snprintf(text, sizeof text, "   m/z %.*f", MzDecimals(spacing), mz);
        label += text;
    }
    return label;
}

namespace {

std::vector<FrequencyEntries> Entries(const Screen& s) {
    return {{s.NotchHandle, ids::Notch::kFrom, ids::Notch::kTo},
            {s.SwimHandle, ids::Swim::kFrom, ids::Swim::kTo},
            {s.HadamardHandle, ids::Hadamard::kFrequency, 0}};
}

// A value of an entry in the other unit. A frequency at or below 0 Hz has no
// m/z: it becomes the profile's highest m/z, or stays as it is without one.
double Converted(const Workspace& ws, double v, bool to_mz) {
    if (to_mz)
        return v > 0.0 ? MzFromKhz(ws.calibration, v) : (HasProfile(ws) ? ws.highmass : v);
    return v > 0.0 ? KhzFromMz(ws.calibration, v) : v;
}

// Labels, tooltips and values of the frequency entries in the unit of the
// axis, and the frequency list with m/z beside each value.
void ShowEntryUnits(const Workspace& ws, bool convert) {
    const bool mz = screen().mzaxis;
    const std::string unit = mz ? " (m/z)" : " (kHz)";
    char range[160] = "";
    if (mz && ws.mass_refusal.empty())
        std::snprintf(range, sizeof range, " The default m/z range runs from %.6g to %.6g.",
                      ws.lowmass, ws.highmass);
    const auto tip = [&](int panel, int control, const std::string& what) {
        ui::SetCtrlTip(panel, control,
                       mz ? what +
                                " in m/z, turned into a frequency by the calibration "
                                "(Profile → Calibration). m/z falls as the frequency rises." +
                                range
                          : what + " in kHz, from 0 to the bandwidth.");
    };
    for (const FrequencyEntries& e : Entries(screen())) {
        if (!e.panel || !ui::PanelExists(e.panel))
            continue;
        if (e.to == 0) {
            ui::SetCtrlLabel(e.panel, e.from, "Frequency" + unit);
            tip(e.panel, e.from, "A frequency to add to the list, typed");
            if (convert)
                ui::SetCtrlVal(e.panel, e.from, Converted(ws, ui::GetCtrlVal(e.panel, e.from), mz));
            continue;
        }
        ui::SetCtrlLabel(e.panel, e.from, "From" + unit);
        ui::SetCtrlLabel(e.panel, e.to, "To" + unit);
        tip(e.panel, e.from,
            mz ? "The window's low m/z (its high frequency)," : "One end of the window,");
        tip(e.panel, e.to,
            mz ? "The window's high m/z (its low frequency)," : "The other end of the window,");
        if (convert) {
            // m/z falls as the frequency rises: the window's ends swap.
            const double from = ui::GetCtrlVal(e.panel, e.from);
            const double to = ui::GetCtrlVal(e.panel, e.to);
            ui::SetCtrlVal(e.panel, e.from, Converted(ws, to, mz));
            ui::SetCtrlVal(e.panel, e.to, Converted(ws, from, mz));
        }
    }
    ShowFrequencyList();
}

void ShowAxis(const Workspace& ws) {
    const Screen& s = screen();
    // Without a profile the empty graph keeps its kHz numbers: m/z has no
    // range to label yet.
    const bool labelled = s.mzaxis && HasProfile(ws) && ws.mass_refusal.empty();
    ui::SetGraphAxisUnit(s.GraphHandle, menu::kGraph,
                         labelled ? std::optional(MzUnit(ws)) : std::nullopt);
    ui::SetMenuItemChecked(s.MenuHandle, s.mzaxis ? menu::kMenuAxisMz : menu::kMenuAxisKhz, true);
}

// The calibrants as the panel lists them, with their residuals when the
// calibration in force was fitted to them.
void ShowCalibrants(const Workspace& ws) {
    const int panel = screen().CalibHandle;
    const std::vector<CalibrantPeak>& table = screen().calibrant_table;
    const int count = ui::GetNumListItems(panel, calib::kPeaks);
    if (count > 0)
        ui::DeleteListItem(panel, calib::kPeaks, 0, count);
    const bool fitted = !ws.calibrants.empty() && ws.calibrants.size() == table.size() &&
                        std::equal(table.begin(), table.end(), ws.calibrants.begin(),
                                   [](const CalibrantPeak& a, const CalibrantPeak& b) {
                                       return a.mz == b.mz && a.khz == b.khz;
                                   });
    const std::vector<double> ppm =
        fitted ? ResidualsPpm(ws.calibration, table) : std::vector<double>{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        char label[96];
        std::snprintf(label, sizeof label, "m/z %.10g @ %.6f kHz", table[i].mz, table[i].khz);
        std::string text = label;
        if (fitted) {
            std::snprintf(label, sizeof label, "   %+.2f ppm", ppm[i]);
            text += label;
        }
        ui::InsertListItem(panel, calib::kPeaks, -1, text, static_cast<float>(table[i].mz));
    }
}

void ShowCalibration(const Workspace& ws) {
    const int panel = screen().CalibHandle;
    const Calibration& c = ws.calibration;
    ui::SetCtrlVal(panel, calib::kACoeff, c.Acoeff);
    ui::SetCtrlVal(panel, calib::kBCoeff, c.Bcoeff);
    ui::SetCtrlVal(panel, calib::kTesla, c.Acoeff / kHzPerTesla);
    ShowCalibrants(ws);
}

std::string PeaksText(const std::vector<CalibrantPeak>& peaks) {
    std::string text;
    for (const CalibrantPeak& p : peaks)
        text += (text.empty() ? "" : ";") + Shortest(p.mz) + "@" + Shortest(p.khz);
    return text;
}

std::vector<CalibrantPeak> PeaksOf(const std::string& text) {
    std::vector<CalibrantPeak> peaks;
    std::size_t from = 0;
    while (from < text.size() && peaks.size() < 1000) {
        const std::size_t end = std::min(text.find(';', from), text.size());
        const std::string item = text.substr(from, end - from);
        const std::size_t at = item.find('@');
        char* stop = nullptr;
        if (at != std::string::npos) {
            const double mz = std::strtod(item.c_str(), &stop);
            const double khz = std::strtod(item.c_str() + at + 1, nullptr);
            if (stop == item.c_str() + at && mz > 0.0 && khz > 0.0 && std::isfinite(mz) &&
                std::isfinite(khz))
                peaks.push_back({mz, khz});
        }
        from = end + 1;
    }
    return peaks;
}

std::optional<double> SettingNumber(const std::string& key) {
    const auto text = ui::ReadSetting(key);
    if (!text)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(v))
        return std::nullopt;
    return v;
}

void WriteNumber(const std::string& key, double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    ui::WriteSetting(key, text);
}

}  // namespace

StepEntries WindowEntries(int panel, int from, int to, bool typed, std::string* name) {
    const auto range = [](double a, double b) {
        char text[64];
        std::snprintf(text, sizeof text, "%g–%g", std::min(a, b), std::max(a, b));
        return std::string(text);
    };
    if (typed && screen().mzaxis) {
        const double f = ui::GetCtrlVal(panel, from), t = ui::GetCtrlVal(panel, to);
        *name = "m/z " + range(f, t);
        return {{"from-mz", StepNumber(f)}, {"to-mz", StepNumber(t)}};
    }
    const double f = typed ? ui::GetCtrlVal(panel, from) : screen().cursor1;
    const double t = typed ? ui::GetCtrlVal(panel, to) : screen().cursor2;
    *name = range(f, t) + " kHz";
    return {{"from", StepNumber(f)}, {"to", StepNumber(t)}};
}

double FrequencyEntry(const Workspace& ws, int panel, int control) {
    const double v = ui::GetCtrlVal(panel, control);
    if (!screen().mzaxis)
        return v;
    try {
        return KhzOf(ws, v);
    } catch (const Refusal& r) {
        throw EntryRefusal(r, control);
    }
}

void RestoreMassSettings() {
    Workspace& ws = workspace();
    const auto a = SettingNumber("calibration/a");
    const auto b = SettingNumber("calibration/b");
    screen().calibrant_table = PeaksOf(ui::ReadSetting("calibration/peaks").value_or(""));
    if (a && b) {
        try {
            const std::vector<CalibrantPeak> fitted =
                PeaksOf(ui::ReadSetting("calibration/fitted").value_or(""));
            SetCalibration(ws, {*a, *b}, fitted);
        } catch (const Refusal&) {
            // Settings edited by hand or out of range: the defaults stand.
        }
    }
    ShowCalibration(ws);
    screen().mzaxis = ui::ReadSetting("view/axis") == std::optional<std::string>("mz");
    ShowEntryUnits(ws, screen().mzaxis);
    ShowAxis(ws);
}

void ShowCalibrationState() {
    Workspace& ws = workspace();
    ShowCalibration(ws);
    if (screen().mzaxis && HasProfile(ws) && !ws.mass_refusal.empty()) {
        // The m/z axis has no meaning over this profile: back to kHz.
        screen().mzaxis = false;
        ShowEntryUnits(ws, false);
        ui::MessagePopup("m/z axis", "The axis is back in kHz. " + ws.mass_refusal);
    }
    ShowAxis(ws);
    ShowMassRange(ws);
    ShowFrequencyList();
}

void ShowCalibrationPanel() {
    const Workspace& ws = workspace();
    ShowCalibration(ws);
    ui::DisplayPanel(screen().CalibHandle);
}

namespace {

// Takes the calibration c (fitted to peaks, or typed when there are none),
// remembers it and records it in the design.
void TakeCalibration(const Calibration& c, const std::vector<CalibrantPeak>& peaks) {
    StepEntries entries;
    if (peaks.empty()) {
        entries = {{"a", StepNumber(c.Acoeff)}, {"b", StepNumber(c.Bcoeff)}};
    } else {
        for (const CalibrantPeak& p : peaks)
            entries.emplace_back("peak", StepNumber(p.mz) + "@" + StepNumber(p.khz));
    }
    RunStep("calibrate", entries, "calibration");
    const Workspace& ws = workspace();
    WriteNumber("calibration/a", ws.calibration.Acoeff);
    WriteNumber("calibration/b", ws.calibration.Bcoeff);
    ui::WriteSetting("calibration/fitted", PeaksText(ws.calibrants));
    ShowCalibrationState();
    std::string text =
        "Calibration: A = " + Shortest(c.Acoeff) + " Hz, B = " + Shortest(c.Bcoeff) + " Hz²";
    if (!peaks.empty()) {
        const CalibrationFit fit = FitCalibration(peaks);
        char rms[64];
        std::snprintf(rms, sizeof rms, ", %zu calibrant%s, RMS %.2f ppm", peaks.size(),
                      peaks.size() == 1 ? "" : "s", fit.rms_ppm);
        text += rms;
    }
    if (ws.mass_refusal.empty()) {
        char range[128];
        std::snprintf(range, sizeof range, "; the default m/z range is %.6g to %.6g", ws.lowmass,
                      ws.highmass);
        text += range;
    }
    ui::ShowStatusMessage(screen().GraphHandle, text);
}

}  // namespace

int Calib_Callback(int panel, int control, int event) {
    Workspace& ws = workspace();
    std::vector<CalibrantPeak>& table = screen().calibrant_table;
    if (control == calib::kTesla) {
        if (event == ui::EVENT_VALUE_CHANGED)
            ui::SetCtrlVal(panel, calib::kACoeff, kHzPerTesla * ui::GetCtrlVal(panel, control));
        return 0;
    }
    if (control == calib::kACoeff) {
        if (event == ui::EVENT_VALUE_CHANGED)
            ui::SetCtrlVal(panel, calib::kTesla, ui::GetCtrlVal(panel, control) / kHzPerTesla);
        return 0;
    }
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == calib::kAddPeak) {
        // In rising m/z order; a second peak at the same m/z replaces the first.
        const CalibrantPeak peak{ui::GetCtrlVal(panel, calib::kPeakMz),
                                 ui::GetCtrlVal(panel, calib::kPeakKhz)};
        std::erase_if(table, [&](const CalibrantPeak& p) { return p.mz == peak.mz; });
        table.insert(std::find_if(table.begin(), table.end(),
                                  [&](const CalibrantPeak& p) { return p.mz > peak.mz; }),
                     peak);
        ui::WriteSetting("calibration/peaks", PeaksText(table));
        ShowCalibrants(ws);
        return 0;
    }
    if (control == calib::kDeletePeak) {
        const int index = ui::GetCtrlIndex(panel, calib::kPeaks);
        if (index >= 0 && static_cast<std::size_t>(index) < table.size()) {
            table.erase(table.begin() + index);
            ui::WriteSetting("calibration/peaks", PeaksText(table));
            ShowCalibrants(ws);
        }
        return 0;
    }
    if (control == calib::kFit)
        // The panel stays open to show each calibrant's residual.
        return PanelCommand(panel, control, event, calib::kFit, [&] {
            const std::vector<CalibrantPeak> peaks = table;
            try {
                TakeCalibration(FitCalibration(peaks).calibration, peaks);
            } catch (const Refusal& r) {
                throw EntryRefusal(r, calib::kPeakMz);
            }
            return false;
        });
    if (control != calib::kApply)
        return 0;
    return PanelCommand(panel, control, event, calib::kApply, [panel] {
        const Calibration c{ui::GetCtrlVal(panel, calib::kACoeff),
                            ui::GetCtrlVal(panel, calib::kBCoeff)};
        try {
            TakeCalibration(c, {});
        } catch (const Refusal& r) {
            throw EntryRefusal(
                r, c.Acoeff >= kLeastA && c.Acoeff <= kLargestA ? calib::kBCoeff : calib::kACoeff);
        }
        return true;
    });
}

void Axis_Callback(int /*menubar*/, int item, int /*panel*/) {
    Workspace& ws = workspace();
    const bool mz = item == menu::kMenuAxisMz;
    if (mz && HasProfile(ws)) {
        try {
            RequireMasses(ws);
        } catch (const Refusal& r) {
            Report(r);
            ShowAxis(ws);  // the check mark back where it was
            return;
        }
    }
    if (mz != screen().mzaxis) {
        screen().mzaxis = mz;
        ShowEntryUnits(ws, true);
    }
    ShowAxis(ws);
    ui::WriteSetting("view/axis", mz ? "mz" : "khz");
}

}  // namespace pelorin
