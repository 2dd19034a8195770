// Waveforms opened from .swf files, and the exports of the plot and its data.
#include "core/display/figures.h"
#include "core/display/graph_math.h"
#include "core/files/csv.h"
#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;
constexpr int kGraph = ids::Main::kGraph;

// Writes a table of two columns beside the window, and says where it went.
void ExportTable(const std::string& what, const std::string& header, std::size_t count,
                 const CsvRow& row) {
    const auto path = AskPath("*.csv", "Export the " + what, ui::VAL_SAVE_BUTTON);
    if (!path)
        return;
    ui::RunBusy("Writing " + *path, [&] { WriteCsv(*path, header, count, row); });
    ui::RememberFolder("*.csv", *path);
    ui::ShowStatusMessage(screen().GraphHandle, "Exported the " + what + " to " + *path);
}

void ExportData(int choice) {
    const Workspace& ws = workspace();
    const Screen& s = screen();
    if (choice == 0) {
        RequireProfile(ws);
        const std::vector<double>& m = ws.Magnitude;
        ExportTable("profile", "frequency_kHz,value", m.size(), [&](std::size_t i) {
            return std::pair{PointFrequency(i, m.size(), ws.bandwidth), m[i]};
        });
    } else if (choice == 1) {
        if (s.OutFlag != 1)
            throw Refusal(
                "There is no spectrum on the graph: synthesise with the spectrum "
                "check, or open a waveform.");
        const std::vector<double> y = ui::GraphPlotValues(s.GraphHandle, kGraph, s.OutPlot);
        ExportTable("spectrum", "frequency_kHz,magnitude", y.size(), [&](std::size_t i) {
            return std::pair{PointFrequency(i, y.size(), ws.bandwidth), y[i]};
        });
    } else {
        RequireWaveform(ws);
        ExportTable("waveform", "index,value", ws.Swift.size(), [&](std::size_t i) {
            return std::pair{static_cast<double>(i), ws.Swift[i]};
        });
    }
}

}  // namespace

void OpenWaveform_Callback(int /*menubar*/, int /*item*/, int /*panel*/) {
    try {
        if (!MayDiscardWork("open a waveform"))
            return;
        if (const auto path = AskPath("*.swf", "Open waveform", ui::VAL_LOAD_BUTTON))
            OpenWaveform(*path);
    } catch (const Refusal& r) {
        Report(r);
    }
}

void OpenWaveform(const std::string& path) {
    // Read whole and measured before anything is replaced.
    SwfWaveform file;
    WaveformFigures figures;
    PlayedOnceFigures played;
    PlayedOnceSpectrum shown;
    std::vector<double> spectrum, samples;
    const bool wanted = PlayedOnceWanted();
    ui::RunBusy("Reading " + path, [&] {
        file = ReadSwfFile(path);
        figures = FiguresOfCodes(file.codes, file.bandwidth, &spectrum);
        played = PlayedOnceOfCodes(file.codes, file.bandwidth, {}, wanted ? &shown : nullptr);
        samples.resize(file.codes.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = CodeMidpoint(file.codes[i]);
    });
    RemoveAllPlots();
    Workspace& ws = workspace();
    ImportWaveform(ws, DatWaveform{file.datapts, file.bandwidth, std::move(samples)});
    ws.phase = MenuPhase::Synthesised;
    EndDesign();
    Screen& s = screen();
    // The plots that follow set the y axis afresh.
    ShowGraphRange(ws.bandwidth, true);
    s.OutPlot = ui::PlotSpectrum(s.GraphHandle, kGraph, 0, spectrum, ws.bandwidth, ui::VAL_BLUE,
                                 "Spectrum");
    s.OutFlag = 1;
    DrawPlayedOnce(std::move(shown));
    EnterMenuPhase(MenuPhase::Synthesised);
    WaveformOpened(path);
    ShowWaveformFigures(figures, played);
    ui::XGraphPopup(path.substr(path.find_last_of('/') + 1), ws.Swift,
                    1000.0 / (2.0 * ws.bandwidth), FiguresForEye(figures, &played));
}

void Export_Callback(int menubar, int item, int /*panel*/) {
    const Screen& s = screen();
    try {
        if (item == menu::kMenuExportPlot) {
            if (ui::GraphPlotCount(s.GraphHandle, kGraph) == 0)
                throw Refusal("The graph is empty: there is nothing to export yet.");
            const auto path = AskPath("*.png", "Export the plot (PNG or PDF)", ui::VAL_SAVE_BUTTON);
            if (!path)
                return;
            if (!ui::SaveGraphImage(s.GraphHandle, kGraph, *path))
                throw Refusal("Cannot write the picture \"" + *path +
                              "\": check the folder and the name (.png or .pdf).");
            ui::RememberFolder("*.png", *path);
            ui::ShowStatusMessage(s.GraphHandle, "Exported the plot to " + *path);
        } else if (item == menu::kMenuExportData) {
            ExportData(ui::MenuItemChoice(menubar, item));
        }
    } catch (const Refusal& r) {
        Report(r);
    }
}

}  // namespace pelorin
