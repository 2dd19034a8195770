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
    ui::FileSelectRequest request;
    request.default_spec = "*.swf";
    request.title = "Save Batch";
    request.button = ui::VAL_SAVE_BUTTON;
    request.restrict_extension = true;
    std::string path;
    const bool busy = ui::WaitCursorShown();
    ui::SetWaitCursor(0);
    const int chosen = ui::FileSelectPopup(request, path);
    ui::SetWaitCursor(busy);
    if (chosen <= 0) {
        ui::MessagePopup("Error", "Must specify a file name.");
        return std::nullopt;
    }
    return SplitSeriesPath(path);
}

void RunSeriesWithProgress(const std::string& title, const SeriesName& name,
                           const std::function<SeriesReport(const SeriesProgress&)>& run) {
    Workspace& ws = workspace();
    // The members rewrite the profile: its plots go, to be drawn again from
    // the last member.
    RemoveAllPlots(ws);
    SeriesReport report;
    {
        // The series runs on workers; the dialog follows it and its Cancel
        // takes effect within one member per core.
        const auto progress = ui::CurrentPopups().StartProgress(title, 0);
        ui::RunBusy(title, [&] {
            report = run([&](std::uint64_t done, std::uint64_t total) {
                return progress->Update(
                    done, total,
                    "Member " + std::to_string(done) + " of " + std::to_string(total) + " done");
            });
        });
    }
    // The profile of the last member is what the workspace now holds.
    MakeGraph(std::span<const double>(ws.Magnitude).first(static_cast<std::size_t>(ws.datapts)),
              kPlotProfile);
    ui::SetWaitCursor(0);
    std::string text = SeriesSummary(report);
    if (report.written > 0) {
        text += "\nIn the folder " + SeriesFolder(name) + ".";
        ui::RememberFolder("*.swf", SeriesMemberName(name, report.total > 0 ? 1 : 0));
    }
    ui::ShowStatusMessage(ws.screen.GraphHandle, std::to_string(report.written) +
                                                     " files written in " + SeriesFolder(name));
    ui::MessagePopup(report.written == report.total ? "Series written" : "Series incomplete", text);
}

}  // namespace pelorin
