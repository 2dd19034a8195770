// The ion excitation panel: what the waveform in hand does to the ions, as
// the excite step predicts it, drawn as the radius each m/z ends with.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/files/swf.h"
#include "core/recipe/entries.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace id = ids::Excite;
// Records from this length on show their progress.
constexpr std::size_t kLongRecord = std::size_t{1} << 20;

// The entries remembered from one run to the next.
constexpr std::pair<const char*, int> kRemembered[] = {
    {"excite/vpp", id::kVpp},       {"excite/shape", id::kShape}, {"excite/size", id::kSize},
    {"excite/length", id::kLength}, {"excite/wall", id::kWall},   {"excite/trap", id::kTrap},
    {"excite/tesla", id::kTesla},   {"excite/hold", id::kHold},   {"excite/beta", id::kBeta},
    {"excite/alpha", id::kAlpha}};

std::string Four(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

std::vector<double> Targets(int panel) {
    std::vector<double> targets;
    const int n = ui::GetNumListItems(panel, id::kList);
    for (int i = 0; i < n; ++i)
        targets.push_back(std::strtod(ui::GetLabelFromIndex(panel, id::kList, i).c_str(), nullptr));
    return targets;
}

// The panel as the excite step it stands for.
StepEntries PanelEntries(int panel) {
    static const char* const kShapes[] = {"cylinder", "cubic", "infinity"};
    StepEntries e = {{"vpp", StepNumber(ui::GetCtrlVal(panel, id::kVpp))},
                     {"cell", kShapes[std::clamp(ui::GetCtrlInt(panel, id::kShape), 0, 2)]},
                     {"size", StepNumber(ui::GetCtrlVal(panel, id::kSize))},
                     {"length", StepNumber(ui::GetCtrlVal(panel, id::kLength))},
                     {"wall", StepNumber(ui::GetCtrlVal(panel, id::kWall))},
                     {"trap", StepNumber(ui::GetCtrlVal(panel, id::kTrap))},
                     {"tesla", StepNumber(ui::GetCtrlVal(panel, id::kTesla))},
                     {"hold", ui::GetCtrlInt(panel, id::kHold) == 0 ? "zoh" : "ideal"},
                     {"beta", StepNumber(ui::GetCtrlVal(panel, id::kBeta))},
                     {"alpha", StepNumber(ui::GetCtrlVal(panel, id::kAlpha))}};
    for (double t : Targets(panel))
        e.emplace_back("mz", StepNumber(t));
    if (ui::GetCtrlInt(panel, id::kRanged) != 0) {
        e.emplace_back("from-mz", StepNumber(ui::GetCtrlVal(panel, id::kFrom)));
        e.emplace_back("to-mz", StepNumber(ui::GetCtrlVal(panel, id::kTo)));
    }
    return e;
}

// The words under the plot: the voltages, and what to watch for.
std::string Caption(const ExcitationReport& r, double vpp) {
    std::string text = "At " + Four(vpp) + " V peak to peak: " + Four(100.0 * r.ejected_fraction) +
                       " % of the m/z outside the targets' windows are ejected; the least radius "
                       "there is " +
                       Four(r.min_radius_mm) + " mm (m/z " + Four(r.min_radius_mz) + "). ";
    const bool keep = !r.targets.empty();
    text += "Everything else is ejected from " + Four(r.vpp_to_eject) + " V";
    if (keep) {
        text += "; every target stays kept up to " + Four(r.vpp_to_keep) + " V";
        text += r.vpp_to_eject <= r.vpp_to_keep
                    ? ": the waveform works between " + Four(r.vpp_to_eject) + " and " +
                          Four(r.vpp_to_keep) + " V."
                    : ": no voltage does both.";
    } else {
        text += ".";
    }
    for (const std::string& w : r.warnings)
        text += "\n⚠ " + w;
    return text;
}

}  // namespace

void RestoreExciteSettings() {
    const int panel = screen().ExciteHandle;
    for (const auto& [key, control] : kRemembered)
        if (const auto v = ui::ReadSetting(key)) {
            // A value out of the entry's range: the default stands.
            char* end = nullptr;
            const double value = std::strtod(v->c_str(), &end);
            if (end != v->c_str() && *end == '\0')
                ui::SetCtrlValIfAllowed(panel, control, value);
        }
}

int ExciteList_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == id::kDelete) {
        const int index = ui::GetCtrlIndex(panel, id::kList);
        if (index >= 0)
            ui::DeleteListItem(panel, id::kList, index, 1);
    } else if (control == id::kAdd) {
        const double target = ui::GetCtrlVal(panel, id::kTarget);
        const std::vector<double> targets = Targets(panel);
        std::size_t at = 0;
        while (at < targets.size() && targets[at] < target)
            ++at;
        if (at == targets.size() || targets[at] != target)
            ui::InsertListItem(panel, id::kList, static_cast<int>(at), StepNumber(target),
                               static_cast<float>(target));
    }
    return 0;
}

int ExciteRange_Callback(int panel, int /*control*/, int event) {
    if (event != ui::EVENT_COMMIT && event != ui::EVENT_VALUE_CHANGED)
        return 0;
    const bool ranged = ui::GetCtrlInt(panel, id::kRanged) != 0;
    ui::SetCtrlDimmed(panel, id::kFrom, !ranged);
    ui::SetCtrlDimmed(panel, id::kTo, !ranged);
    return 0;
}

int Excite_Callback(int panel, int control, int event) {
    // The panel stays open beside the plot for the next voltage.
    return PanelCommand(panel, control, event, id::kPredict, [panel] {
        const recipe::Step step = MakeStep("excite", PanelEntries(panel));
        recipe::ExcitationRequest request;
        try {
            request = design().engine().Excitation(step);
        } catch (const Refusal& r) {
            throw EntryRefusal(r, id::kVpp);
        }
        for (const auto& [key, control] : kRemembered)
            ui::WriteSetting(key, StepNumber(ui::GetCtrlVal(panel, control)));
        ExcitationReport report;
        {
            // A long record takes seconds: its progress is shown and Cancel
            // stops it between transforms.
            std::unique_ptr<ui::Progress> progress;
            if (request.played.size() >= kLongRecord)
                progress = ui::CurrentPopups().StartProgress("Following the ions", 0);
            const auto follow = [&](int done, int total) {
                return !progress || progress->Update(static_cast<std::uint64_t>(done),
                                                     static_cast<std::uint64_t>(total),
                                                     "Transform " + std::to_string(done + 1) +
                                                         " of " + std::to_string(total));
            };
            ui::RunBusy("Following the ions", [&] {
                report = Excite(request.played, request.bandwidth_khz, request.setup, follow);
            });
        }
        ui::RadiusPlot plot;
        const bool mz = screen().mzaxis;
        plot.title = "Ion excitation at " + Four(request.setup.vpp) + " V";
        plot.x_label = mz ? "m/z" : "Frequency (kHz)";
        plot.wall = request.setup.cell.wall_mm;
        plot.kept = request.setup.kept_share * plot.wall;
        plot.x.reserve(report.grid.size());
        for (std::size_t i = 0; i < report.grid.size(); ++i) {
            const GridPoint& g = report.grid[i];
            plot.x.push_back(mz ? report.At(i).mz : g.bin * report.bin_hz / 1000.0);
            plot.radius.push_back(g.r_plus_mm);
            plot.zone.push_back(static_cast<ui::RadiusPlot::Zone>(g.verdict));
        }
        for (const IonResponse& t : report.targets)
            plot.marks.push_back({mz ? t.mz : t.frequency_hz / 1000.0, t.r_plus_mm,
                                  "m/z " + Four(t.mz) + ": swings to " + Four(t.peak_mm) +
                                      " mm, ends at " + Four(t.r_plus_mm + t.r_minus_mm) + " mm (" +
                                      VerdictName(t.verdict) + ")"});
        plot.caption = Caption(report, request.setup.vpp);
        ui::ShowStatusMessage(screen().GraphHandle,
                              "Ejected from " + Four(report.vpp_to_eject) + " V" +
                                  (report.targets.empty() ? std::string()
                                                          : ", targets kept up to " +
                                                                Four(report.vpp_to_keep) + " V"));
        ui::RadiusPopup(plot);
        return false;
    });
}

}  // namespace pelorin
