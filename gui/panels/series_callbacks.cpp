// What the SWIM series and the Hadamard batch share on screen: the file
// pop-up, the progress dialog and the final account.
#include <string>

#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

// The folder the members go to, as the operator reads it.
std::string SeriesFolder(const SeriesName& name) {
    const std::size_t slash = name.stem.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : name.stem.substr(0, slash);
}

}  // namespace

std::optional<SeriesName> AskSeriesName() {
    const auto path = AskPath("*.swf", "Save Batch", ui::VAL_SAVE_BUTTON);
    if (!path) {
        ui::MessagePopup("Error", "Must specify a file name.");
        return std::nullopt;
    }
    return SplitSeriesPath(*path);
}

void RunSeriesStep(const std::string& title, const std::string& step, const StepEntries& entries,
                   const SeriesName& name) {
    // The members rewrite the profile: its plots go, to be drawn again from
    // the last member.
    RemoveAllPlots();
    SeriesReport report;
    try {
        // The series runs on workers; the dialog follows it and its Cancel
        // takes effect within one member per core.
        const auto progress = ui::CurrentPopups().StartProgress(title, 0);
        recipe::StepHooks hooks;
        hooks.report = &report;
        hooks.series = [&](std::uint64_t done, std::uint64_t total) {
            return progress->Update(
                done, total,
                "Member " + std::to_string(done) + " of " + std::to_string(total) + " done");
        };
        ui::RunBusy(title, [&] { design().Apply(MakeStep(step, entries), title, hooks); });
    } catch (const Refusal&) {
        MakeGraph(workspace().Magnitude, kPlotProfile);
        throw;
    }
    ShowEditMenu();
    // The profile of the last member is what the workspace now holds.
    MakeGraph(workspace().Magnitude, kPlotProfile);
    ui::SetWaitCursor(0);
    std::string text = SeriesSummary(report);
    if (report.written > 0) {
        text += "\nIn the folder " + SeriesFolder(name) + ".";
        ui::RememberFolder("*.swf", SeriesMemberName(name, report.total > 0 ? 1 : 0));
    }
    ui::ShowStatusMessage(screen().GraphHandle, std::to_string(report.written) +
                                                    " files written in " + SeriesFolder(name));
    ui::MessagePopup(report.written == report.total ? "Series written" : "Series incomplete", text);
}

}  // namespace pelorin
