// Designing in m/z: the calibration panel, the graph's m/z axis, the
// frequency entries read in m/z, and the isolation panel.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace calib = ids::Calib;
namespace iso = ids::Isolate;
namespace menu = ids::Main;

// The shortest text that reads back to v.
std::string Shortest(double v) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v).ptr};
}

ui::AxisUnit MzUnit(const Calibration& c) {
    ui::AxisUnit unit;
    unit.label = "m/z";
    unit.name = "m/z";
    unit.decimals = 3;
    unit.value = [c](double khz) { return MzFromKhz(c, khz); };
    unit.position = [c](double mz) { return KhzFromMz(c, mz); };
    unit.ticks = [c](double lo, double hi, int count) { return MzTicks(c, lo, hi, count); };
    return unit;
}

// The entries that take a frequency: a window's two bounds, or one value.
struct FrequencyEntries {
    int panel;
    int from;
    int to;  // 0 for a single entry
};

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

// Labels and values of the frequency entries in the unit of the axis.
void ShowEntryUnits(const Workspace& ws, bool convert) {
    const bool mz = ws.screen.mzaxis;
    const std::string unit = mz ? " (m/z)" : " (kHz)";
    for (const FrequencyEntries& e : Entries(ws.screen)) {
        if (!e.panel || !ui::PanelExists(e.panel))
            continue;
        if (e.to == 0) {
            ui::SetCtrlLabel(e.panel, e.from, "Frequency" + unit);
            if (convert)
                ui::SetCtrlVal(e.panel, e.from, Converted(ws, ui::GetCtrlVal(e.panel, e.from), mz));
            continue;
        }
        ui::SetCtrlLabel(e.panel, e.from, "From" + unit);
        ui::SetCtrlLabel(e.panel, e.to, "To" + unit);
        if (convert) {
            // m/z falls as the frequency rises: the window's ends swap.
            const double from = ui::GetCtrlVal(e.panel, e.from);
            const double to = ui::GetCtrlVal(e.panel, e.to);
            ui::SetCtrlVal(e.panel, e.from, Converted(ws, to, mz));
            ui::SetCtrlVal(e.panel, e.to, Converted(ws, from, mz));
        }
    }
}

void ShowAxis(const Workspace& ws) {
    const Screen& s = ws.screen;
    ui::SetGraphAxisUnit(s.GraphHandle, menu::kGraph,
                         s.mzaxis ? std::optional(MzUnit(ws.calibration)) : std::nullopt);
    ui::SetMenuItemChecked(s.MenuHandle, s.mzaxis ? menu::kMenuAxisMz : menu::kMenuAxisKhz, true);
}

void ShowCalibration(int panel, const Calibration& c) {
    ui::SetCtrlVal(panel, calib::kACoeff, c.Acoeff);
    ui::SetCtrlVal(panel, calib::kBCoeff, c.Bcoeff);
    ui::SetCtrlVal(panel, calib::kTesla, c.Acoeff / kHzPerTesla);
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

// The targets in the list, as they were typed: each label is the shortest
// text of its value.
std::vector<double> Targets(int panel) {
    std::vector<double> targets;
    const int n = ui::GetNumListItems(panel, iso::kList);
    for (int i = 0; i < n; ++i)
        targets.push_back(
            std::strtod(ui::GetLabelFromIndex(panel, iso::kList, i).c_str(), nullptr));
    return targets;
}

}  // namespace

void ReadTypedWindow(Workspace& ws, int panel, int from, int to) {
    // The bound typed second is written first, as the graphical window is.
    if (!ws.screen.mzaxis) {
        ws.cursor2 = ui::GetCtrlVal(panel, to);
        ws.cursor1 = ui::GetCtrlVal(panel, from);
        return;
    }
    // From (m/z) is the window's high frequency, To (m/z) its low one.
    ws.cursor2 = FrequencyEntry(ws, panel, from);
    ws.cursor1 = FrequencyEntry(ws, panel, to);
}

StepEntries WindowEntries(const Workspace& ws, int panel, int from, int to, bool typed,
                          std::string* name) {
    const auto range = [](double a, double b) {
        char text[64];
        std::snprintf(text, sizeof text, "%g–%g", std::min(a, b), std::max(a, b));
        return std::string(text);
    };
    if (typed && ws.screen.mzaxis) {
        const double f = ui::GetCtrlVal(panel, from), t = ui::GetCtrlVal(panel, to);
        *name = "m/z " + range(f, t);
        return {{"from-mz", StepNumber(f)}, {"to-mz", StepNumber(t)}};
    }
    const double f = typed ? ui::GetCtrlVal(panel, from) : ws.cursor1;
    const double t = typed ? ui::GetCtrlVal(panel, to) : ws.cursor2;
    *name = range(f, t) + " kHz";
    return {{"from", StepNumber(f)}, {"to", StepNumber(t)}};
}

double FrequencyEntry(const Workspace& ws, int panel, int control) {
    const double v = ui::GetCtrlVal(panel, control);
    if (!ws.screen.mzaxis)
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
    if (a && b) {
        try {
            SetCalibration(ws, {*a, *b});
        } catch (const Refusal&) {
            // Settings edited by hand: the defaults stand.
        }
    }
    ShowCalibration(ws.screen.CalibHandle, ws.calibration);
    ws.screen.mzaxis = ui::ReadSetting("view/axis") == std::optional<std::string>("mz");
    ShowEntryUnits(ws, ws.screen.mzaxis);
    ShowAxis(ws);
}

void ShowCalibrationState() {
    const Workspace& ws = workspace();
    ShowCalibration(ws.screen.CalibHandle, ws.calibration);
    ShowAxis(ws);
}

void ShowCalibrationPanel() {
    const Workspace& ws = workspace();
    ShowCalibration(ws.screen.CalibHandle, ws.calibration);
    ui::DisplayPanel(ws.screen.CalibHandle);
}

int Calib_Callback(int panel, int control, int event) {
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
    if (control != calib::kApply)
        return 0;
    return PanelCommand(panel, control, event, calib::kApply, [panel] {
        Workspace& ws = workspace();
        const Calibration c{ui::GetCtrlVal(panel, calib::kACoeff),
                            ui::GetCtrlVal(panel, calib::kBCoeff)};
        try {
            SetCalibration(ws, c);
        } catch (const Refusal& r) {
            throw EntryRefusal(r, c.Acoeff > 0.0 ? calib::kBCoeff : calib::kACoeff);
        }
        WriteNumber("calibration/a", c.Acoeff);
        WriteNumber("calibration/b", c.Bcoeff);
        RecordStep("calibrate", {{"a", StepNumber(c.Acoeff)}, {"b", StepNumber(c.Bcoeff)}});
        ShowAxis(ws);
        std::string text =
            "Calibration: A = " + Shortest(c.Acoeff) + " Hz, B = " + Shortest(c.Bcoeff) + " Hz²";
        if (HasProfile(ws)) {
            char range[96];
            std::snprintf(range, sizeof range, "; the profile spans m/z %.6g to %.6g", ws.lowmass,
                          ws.highmass);
            text += range;
        }
        ui::ShowStatusMessage(ws.screen.GraphHandle, text);
        return true;
    });
}

void Axis_Callback(int /*menubar*/, int item, int /*panel*/) {
    Workspace& ws = workspace();
    const bool mz = item == menu::kMenuAxisMz;
    if (mz && HasProfile(ws)) {
        try {
            CheckCalibration(ws.calibration, ws.bandwidth, ws.datapts);
        } catch (const Refusal& r) {
            Report(r);
            ShowAxis(ws);  // the check mark back where it was
            return;
        }
    }
    if (mz != ws.screen.mzaxis) {
        ws.screen.mzaxis = mz;
        ShowEntryUnits(ws, true);
    }
    ShowAxis(ws);
    ui::WriteSetting("view/axis", mz ? "mz" : "khz");
}

int IsolateList_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == iso::kDelete) {
        const int index = ui::GetCtrlIndex(panel, iso::kList);
        if (index >= 0)
            ui::DeleteListItem(panel, iso::kList, index, 1);
    } else if (control == iso::kAdd) {
        // In rising order, each target once.
        const double target = ui::GetCtrlVal(panel, iso::kTarget);
        const std::vector<double> targets = Targets(panel);
        std::size_t at = 0;
        while (at < targets.size() && targets[at] < target)
            ++at;
        if (at == targets.size() || targets[at] != target)
            ui::InsertListItem(panel, iso::kList, static_cast<int>(at), Shortest(target),
                               static_cast<float>(target));
    }
    return 0;
}

int IsolateRange_Callback(int panel, int /*control*/, int event) {
    if (event != ui::EVENT_COMMIT && event != ui::EVENT_VALUE_CHANGED)
        return 0;
    const bool ranged = ui::GetCtrlInt(panel, iso::kRanged) != 0;
    ui::SetCtrlDimmed(panel, iso::kFrom, !ranged);
    ui::SetCtrlDimmed(panel, iso::kTo, !ranged);
    return 0;
}

int Isolate_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, iso::kApply, [panel] {
        Workspace& ws = workspace();
        RequireEditableProfile(ws);
        // The list, or with none listed the one target typed.
        std::vector<double> targets = Targets(panel);
        if (targets.empty())
            targets.push_back(ui::GetCtrlVal(panel, iso::kTarget));
        const double width = ui::GetCtrlVal(panel, iso::kWidth);
        std::optional<std::pair<double, double>> range;
        if (ui::GetCtrlInt(panel, iso::kRanged) != 0)
            range = {ui::GetCtrlVal(panel, iso::kFrom), ui::GetCtrlVal(panel, iso::kTo)};
        RemoveOutputPlot(ws);
        ui::RunBusy("Isolating", [&] { ApplyIsolation(ws, targets, width, range); });
        MakeGraph(ws.Magnitude, kPlotProfile);
        StepEntries entries;
        for (double t : targets)
            entries.emplace_back("mz", StepNumber(t));
        entries.emplace_back("width", StepNumber(width));
        if (range) {
            entries.emplace_back("from-mz", StepNumber(range->first));
            entries.emplace_back("to-mz", StepNumber(range->second));
        }
        RecordEdit(
            "isolation of m/z " + Shortest(targets.front()) +
                (targets.size() > 1 ? " and " + std::to_string(targets.size() - 1) + " more" : ""),
            "isolate", entries);
        return true;
    });
}

}  // namespace pelorin
