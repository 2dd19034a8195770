// What the SWIM series and the Hadamard batch share on screen: the file
// pop-up, the progress dialog and the final account.
#include <string>

#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

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

void RunSeriesWithProgress(const std::string& title,
                           const std::function<SeriesReport(const SeriesProgress&)>& run) {
    Workspace& ws = workspace();
    // The members rewrite the profile: its plots go, to be drawn again from
    // the last member.
    RemoveAllPlots(ws);
    SeriesReport report;
    {
        const auto progress = ui::CurrentPopups().StartProgress(title, 0);
        report = run([&](std::uint64_t done, std::uint64_t total) {
            return progress->Update(
                done, total,
                "Member " + std::to_string(done) + " of " + std::to_string(total) + " done");
        });
    }
    // The profile of the last member is what the workspace now holds.
    MakeGraph(std::span<const double>(ws.Magnitude).first(static_cast<std::size_t>(ws.datapts)),
              kPlotProfile);
    ui::SetWaitCursor(0);
    ui::MessagePopup(report.written == report.total ? "Series written" : "Series incomplete",
                     SeriesSummary(report));
}

}  // namespace pelorin
