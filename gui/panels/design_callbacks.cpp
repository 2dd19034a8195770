// Designs as files: the record of the steps committed since the last
// Set/Reset, saving and opening it as a recipe, the recent designs, undo and
// redo of profile edits, opening a .swf waveform with its figures, and the
// exports of the plot and its data.
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/csv.h"
#include "cli/entries.h"
#include "cli/recipe.h"
#include "cli/runner.h"
#include "core/display/figures.h"
#include "core/display/graph_math.h"
#include "core/edit/freqlist.h"
#include "core/files/atomic_file.h"
#include "core/files/datfile.h"
#include "core/files/input_file.h"
#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;
constexpr std::size_t kRecentDesigns = 8;
constexpr int kGraph = ids::Main::kGraph;

// A path as chosen, with the extension added when its name has none.
std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return path.find('.', name + 1) == std::string::npos ? path + extension : path;
}

std::vector<std::string> RecentDesigns() {
    std::vector<std::string> recent;
    std::istringstream text(ui::ReadSetting("designs/recent").value_or(""));
    for (std::string line; std::getline(text, line);)
        if (!line.empty())
            recent.push_back(line);
    return recent;
}

void ShowRecentDesigns() {
    ui::SetMenuItemChoices(workspace().screen.MenuHandle, menu::kMenuRecentDesigns,
                           RecentDesigns());
}

void RememberDesign(const std::string& path) {
    std::vector<std::string> recent = RecentDesigns();
    std::erase(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > kRecentDesigns)
        recent.resize(kRecentDesigns);
    std::string text;
    for (const std::string& p : recent)
        text += p + "\n";
    ui::WriteSetting("designs/recent", text);
    ShowRecentDesigns();
}

std::string Line(const std::string& name, const StepEntries& entries) {
    cli::Step step{name, {}, 0};
    for (const auto& [key, value] : entries)
        step.entries.push_back({key, value});
    return cli::FormatStep(step);
}

// The history's work on a long profile (about 180 ms at 2^25 points) runs
// beside the window, as the edits do.
void Kept(const std::string& what, const std::function<void()>& work) {
    if (workspace().Magnitude.size() > (std::size_t{1} << 22))
        ui::RunBusy(what, work);
    else
        work();
}

void Refresh(Workspace& ws) {
    RemoveOutputPlot(ws);
    MakeGraph(ws.Magnitude, kPlotProfile);
    ShowEditMenu();
}

bool IsSeries(const cli::Step& s) {
    return (s.name == "swim" && (s.Find("last") || s.Find("file"))) ||
           (s.name == "hadamard" && s.Find("batch"));
}

// The frequency list panel shows list.
void ShowFrequencyList(const std::vector<float>& list) {
    const int panel = workspace().screen.HadamardHandle;
    const int count = ui::GetNumListItems(panel, ids::Hadamard::kList);
    if (count > 0)
        ui::DeleteListItem(panel, ids::Hadamard::kList, 0, count);
    for (float f : list)
        ui::InsertListItem(panel, ids::Hadamard::kList, -1, FrequencyListLabel(f), f);
    AdjustHadamard(panel);
}

// The Set/Reset panel as the design's reset step left it.
void ShowSetReset(const cli::Step& reset) {
    const int panel = workspace().screen.SetResetHandle;
    const bool tek = cli::Word(reset, "layout", "tek") == "tek";
    if (tek)
        SetPanelforTEK(panel);
    else
        SetPanelforNI(panel);
    namespace id = ids::SetReset;
    if (const std::string* samples = reset.Find("samples"))
        ui::SetCtrlVal(panel, tek ? id::kTekSamples : id::kNiSamples,
                       static_cast<double>(cli::ParseWhole("samples", *samples)));
    if (const std::string* bw = reset.Find("bandwidth"))
        ui::SetCtrlVal(panel, tek ? id::kTekBandwidth : id::kNiBandwidth,
                       cli::ParseReal("bandwidth", *bw));
}

std::string Where(const std::string& path, int line) {
    return path + ", line " + std::to_string(line) + ": ";
}

void OpenDesign(const std::string& path) {
    Workspace& ws = workspace();
    RequireRegularFile(path, "design");
    std::ifstream in(path, std::ios::binary);
    std::vector<cli::Step> steps;
    try {
        steps = cli::ReadRecipe(in);
    } catch (const cli::RecipeError& e) {
        throw Refusal(Where(path, e.line()) + e.what());
    }
    if (steps.empty())
        throw Refusal("The design " + path + " holds no step.");
    for (const cli::Step& s : steps) {
        try {
            cli::CheckStep(s);
        } catch (const Refusal& r) {
            throw Refusal(Where(path, s.line) + r.what());
        }
    }
    // Replayed on a workspace of its own: a refusal anywhere leaves the
    // window's design as it was.
    std::ostringstream out;
    cli::Runner runner(out, nullptr, false);
    std::vector<std::string> kept;
    const cli::Step* series = nullptr;
    std::size_t after = 0;
    const cli::Step* reset = nullptr;
    ui::RunBusy("Opening " + path, [&] {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const cli::Step& s = steps[i];
            if (IsSeries(s)) {
                series = &s;
                after = steps.size() - i - 1;
                break;
            }
            try {
                runner.Run(s);
            } catch (const Refusal& r) {
                throw Refusal(Where(path, s.line) + r.what(), r.severity());
            }
            if (s.name == "reset")
                reset = &s;
            if (s.name != "store")
                kept.push_back(cli::FormatStep(s));
        }
    });

    // The graph draws the old profile where it lies: off it before it goes.
    RemoveAllPlots(ws);
    Screen screen = std::move(ws.screen);
    ws = runner.TakeWorkspace();
    ws.screen = std::move(screen);
    Screen& s = ws.screen;
    s.unsaved = false;
    s.document.clear();
    ShowFrequencyList(runner.frequencies());
    ShowCalibrationState();
    if (reset)
        ShowSetReset(*reset);
    RemoveAllPlots(ws);
    if (ws.bandwidth > 0.0) {
        ui::SetGraphExtent(s.GraphHandle, kGraph, 0.0, ws.bandwidth);
        ui::SetAxisRange(s.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, ws.bandwidth,
                         ui::VAL_NO_CHANGE, 0.0, 0.0);
        ui::SetCtrlDimmed(s.GraphHandle, kGraph, false);
    }
    if (HasProfile(ws) && ws.source != WaveformSource::Import)
        MakeGraph(ws.Magnitude, kPlotProfile);
    EnterMenuPhase(ws.phase);
    if (HasWaveform(ws))
        WaveformMade("");
    s.design = reset ? kept : std::vector<std::string>{};
    s.design_saved = s.design;
    s.designing = reset != nullptr && ws.source != WaveformSource::Import;
    if (ProfileEditable(ws))
        s.history.Reset(ws.Magnitude);
    else
        s.history.Clear();
    ShowEditMenu();
    RememberDesign(path);
    ui::ShowStatusMessage(s.GraphHandle, "Opened the design " + path);
    if (series) {
        std::string text = "Line " + std::to_string(series->line) + " (" +
                           cli::Printable(cli::FormatStep(*series)) +
                           ") writes a numbered series of files, which opening a design does "
                           "not do. The design stands as it was before that line";
        if (after > 0)
            text += "; the " + std::to_string(after) + (after == 1 ? " step" : " steps") +
                    " after it were not run either";
        text += ". Run the series from its panel, or the design with pelorin-cli.";
        ui::MessagePopup("Series not rerun", text);
    }
}

}  // namespace

bool SaveDesignAsked() {
    Workspace& ws = workspace();
    Screen& s = ws.screen;
    if (!s.designing)
        throw Refusal(s.design_gap.empty()
                          ? "There is no design to save: apply Set/Reset and shape a profile "
                            "first."
                          : s.design_gap);
    ui::FileSelectRequest request;
    request.default_spec = "*.recipe";
    request.title = "Save design";
    request.button = ui::VAL_SAVE_BUTTON;
    request.restrict_extension = true;
    std::string chosen;
    if (ui::FileSelectPopup(request, chosen) <= 0)
        return false;
    const std::string path = WithExtension(chosen, ".recipe");
    char when[32];
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", std::localtime(&now));
    std::string text = std::string("# Pelorin ") + PELORIN_VERSION + " design, saved " + when +
                       "\n# Open it with File > Open design, or run it with: pelorin-cli FILE\n";
    for (const std::string& line : s.design)
        text += line + "\n";
    AtomicFile file(path);
    file.Write(text.data(), text.size());
    file.Commit();
    ui::RememberFolder(request.default_spec, path);
    RememberDesign(path);
    s.design_saved = s.design;
    ShowTitle();
    ui::ShowStatusMessage(s.GraphHandle, "Saved the design " + path);
    return true;
}

bool DesignEdited() {
    const Screen& s = workspace().screen;
    if (!s.designing)
        return false;
    // Stores record where a waveform went; they change no design.
    const auto kept = [](const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            if (l.rfind("store ", 0) != 0)
                out.push_back(l);
        return out;
    };
    return kept(s.design) != kept(s.design_saved);
}

std::optional<std::string> AskPath(const std::string& spec, const std::string& title, int button) {
    ui::FileSelectRequest request;
    request.default_spec = spec;
    request.title = title;
    request.button = button;
    request.restrict_extension = button == ui::VAL_SAVE_BUTTON;
    std::string path;
    if (ui::FileSelectPopup(request, path) <= 0)
        return std::nullopt;
    return button == ui::VAL_SAVE_BUTTON ? WithExtension(path, spec.substr(1)) : path;
}

namespace {

void ExportData(int choice) {
    const Workspace& ws = workspace();
    const Screen& s = ws.screen;
    if (choice == 0) {
        RequireProfile(ws);
        if (const auto path = AskPath("*.csv", "Export the profile", ui::VAL_SAVE_BUTTON)) {
            const std::vector<double>& m = ws.Magnitude;
            ui::RunBusy("Writing " + *path, [&] {
                cli::WriteCsv(*path, "frequency_kHz,value", m.size(), [&](std::size_t i) {
                    return std::pair{PointFrequency(i, m.size(), ws.bandwidth), m[i]};
                });
            });
            ui::RememberFolder("*.csv", *path);
            ui::ShowStatusMessage(s.GraphHandle, "Exported the profile to " + *path);
        }
    } else if (choice == 1) {
        if (s.OutFlag != 1)
            throw Refusal(
                "There is no spectrum on the graph: synthesise with the spectrum "
                "check, or open a waveform.");
        const std::vector<double> y = ui::GraphPlotValues(s.GraphHandle, kGraph, s.OutPlot);
        if (const auto path = AskPath("*.csv", "Export the spectrum", ui::VAL_SAVE_BUTTON)) {
            ui::RunBusy("Writing " + *path, [&] {
                cli::WriteCsv(*path, "frequency_kHz,magnitude", y.size(), [&](std::size_t i) {
                    return std::pair{PointFrequency(i, y.size(), ws.bandwidth), y[i]};
                });
            });
            ui::RememberFolder("*.csv", *path);
            ui::ShowStatusMessage(s.GraphHandle, "Exported the spectrum to " + *path);
        }
    } else {
        RequireWaveform(ws);
        if (const auto path = AskPath("*.csv", "Export the waveform", ui::VAL_SAVE_BUTTON)) {
            ui::RunBusy("Writing " + *path, [&] {
                cli::WriteCsv(*path, "index,value", static_cast<std::size_t>(ws.datapts),
                              [&](std::size_t i) {
                                  return std::pair{static_cast<double>(i), ws.Swift[i]};
                              });
            });
            ui::RememberFolder("*.csv", *path);
            ui::ShowStatusMessage(s.GraphHandle, "Exported the waveform to " + *path);
        }
    }
}

}  // namespace

std::string StepNumber(double v) {
    return cli::Num(v);
}

std::string StepNumber(float v) {
    // The shortest text of the float when it reads back to it through a
    // double, as the recipe reads it; else the double's own.
    char text[32];
    const std::string shortest(text, std::to_chars(text, text + sizeof text, v).ptr);
    if (static_cast<float>(std::strtod(shortest.c_str(), nullptr)) == v)
        return shortest;
    return cli::Num(static_cast<double>(v));
}

void StartDesign(bool tek, int samples, double bandwidth) {
    Workspace& ws = workspace();
    Screen& s = ws.screen;
    s.design.clear();
    s.designing = true;
    s.design_gap.clear();
    s.design.push_back(Line("reset", {{"layout", tek ? "tek" : "ni"},
                                      {"samples", std::to_string(samples)},
                                      {"bandwidth", StepNumber(bandwidth)}}));
    if (ws.calibration.Acoeff != Calibration{}.Acoeff ||
        ws.calibration.Bcoeff != Calibration{}.Bcoeff)
        s.design.push_back(Line("calibrate", {{"a", StepNumber(ws.calibration.Acoeff)},
                                              {"b", StepNumber(ws.calibration.Bcoeff)}}));
    // The frequency list the window holds, which a recipe starts without.
    for (float f : ReadFloatList(s.HadamardHandle, ids::Hadamard::kList))
        s.design.push_back(Line("freq", {{"add", StepNumber(f)}}));
    // A design with nothing done yet has nothing to lose.
    s.design_saved = s.design;
    Kept("Starting the design", [&] { s.history.Reset(ws.Magnitude); });
    ShowEditMenu();
}

void RecordStep(const std::string& name, const StepEntries& entries) {
    Screen& s = workspace().screen;
    if (!s.designing)
        return;
    try {
        s.design.push_back(Line(name, entries));
    } catch (const Refusal& r) {
        s.designing = false;
        s.design_gap = std::string("The design cannot be saved: ") + r.what();
    }
}

void RecordEdit(const std::string& what, const std::string& name, const StepEntries& entries) {
    Workspace& ws = workspace();
    Screen& s = ws.screen;
    const std::size_t at = s.design.size();
    RecordStep(name, entries);
    RecordLines lines{at, {}};
    if (s.designing)
        lines.lines.assign(s.design.begin() + static_cast<std::ptrdiff_t>(at), s.design.end());
    Kept("Keeping the edit for undo", [&] { s.history.Push(what, ws.Magnitude, lines); });
    ShowEditMenu();
}

void RecordSeries(const std::string& name, const StepEntries& entries) {
    // A series rewrites the profile and cannot be undone: the edits before
    // it are forgotten.
    RecordStep(name, entries);
    workspace().screen.history.Reset(workspace().Magnitude);
    ShowEditMenu();
}

void EndDesign() {
    Screen& s = workspace().screen;
    s.design.clear();
    s.design_saved.clear();
    s.designing = false;
    s.design_gap.clear();
    s.history.Clear();
    ShowEditMenu();
}

void ShowEditMenu() {
    const Workspace& ws = workspace();
    const Screen& s = ws.screen;
    const bool editable = ProfileEditable(ws);
    const bool undo = editable && s.history.CanUndo();
    const bool redo = editable && s.history.CanRedo();
    ui::SetMenuItemLabel(s.MenuHandle, menu::kMenuUndo,
                         undo ? "&Undo " + s.history.UndoName() : "&Undo");
    ui::SetMenuItemLabel(s.MenuHandle, menu::kMenuRedo,
                         redo ? "&Redo " + s.history.RedoName() : "&Redo");
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuUndo, !undo);
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuRedo, !redo);
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuSaveDesign, !s.designing);
    ShowTitle();
}

void Undo_Callback(int /*menubar*/, int item, int /*panel*/) {
    Workspace& ws = workspace();
    Screen& s = ws.screen;
    if (!ProfileEditable(ws))
        return;
    if (item == menu::kMenuUndo && s.history.CanUndo()) {
        const std::string what = s.history.UndoName();
        RecordLines lines;
        Kept("Undoing", [&] { lines = s.history.Undo(ws.Magnitude); });
        const auto first = s.design.begin() + static_cast<std::ptrdiff_t>(lines.at);
        if (lines.at + lines.lines.size() <= s.design.size())
            s.design.erase(first, first + static_cast<std::ptrdiff_t>(lines.lines.size()));
        Refresh(ws);
        ui::ShowStatusMessage(s.GraphHandle, "Undone: " + what);
    } else if (item == menu::kMenuRedo && s.history.CanRedo()) {
        const std::string what = s.history.RedoName();
        RecordLines lines;
        Kept("Redoing", [&] { lines = s.history.Redo(ws.Magnitude); });
        if (lines.at <= s.design.size())
            s.design.insert(s.design.begin() + static_cast<std::ptrdiff_t>(lines.at),
                            lines.lines.begin(), lines.lines.end());
        Refresh(ws);
        ui::ShowStatusMessage(s.GraphHandle, "Redone: " + what);
    }
}

void Design_Callback(int menubar, int item, int /*panel*/) {
    try {
        if (item == menu::kMenuSaveDesign) {
            SaveDesignAsked();
        } else if (item == menu::kMenuOpenDesign) {
            if (!MayDiscardWork("open another design"))
                return;
            if (const auto path = AskPath("*.recipe", "Open design", ui::VAL_LOAD_BUTTON))
                OpenDesign(*path);
        } else if (item == menu::kMenuRecentDesigns) {
            const std::vector<std::string> recent = RecentDesigns();
            const int choice = ui::MenuItemChoice(menubar, item);
            if (choice >= 0 && static_cast<std::size_t>(choice) < recent.size() &&
                MayDiscardWork("open another design"))
                OpenDesign(recent[static_cast<std::size_t>(choice)]);
        }
    } catch (const Refusal& r) {
        Report(r);
    }
}

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

void OpenAtStart(const std::string& path) {
    try {
        RequireRegularFile(path, "file");
        std::ifstream in(path, std::ios::binary);
        std::string first(16, '\0');
        in.read(first.data(), static_cast<std::streamsize>(first.size()));
        if (first == "TAVIK SWIFT File")
            OpenWaveform(path);
        else
            OpenDesign(path);
    } catch (const Refusal& r) {
        Report(r);
    }
}

void OpenWaveform(const std::string& file) {
    Workspace& ws = workspace();
    const std::optional<std::string> path = file;
    {
        // Read whole and measured before anything is replaced.
        SwfWaveform file;
        WaveformFigures figures;
        PlayedOnceFigures played;
        PlayedOnceSpectrum shown;
        std::vector<double> spectrum, samples;
        ui::RunBusy("Reading " + *path, [&] {
            file = ReadSwfFile(*path);
            figures = FiguresOfCodes(file.codes, file.bandwidth, &spectrum);
            played = PlayedOnceOfCodes(file.codes, file.bandwidth, {},
                                       PlayedOnceWanted() ? &shown : nullptr);
            samples.resize(file.codes.size());
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = CodeMidpoint(file.codes[i]);
        });
        ImportWaveform(ws, DatWaveform{file.datapts, file.bandwidth, std::move(samples)});
        ws.phase = MenuPhase::Synthesised;
        EndDesign();
        Screen& s = ws.screen;
        RemoveAllPlots(ws);
        ui::SetGraphExtent(s.GraphHandle, kGraph, 0.0, ws.bandwidth);
        // The plots that follow set the y axis afresh.
        ui::SetAxisRange(s.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, ws.bandwidth,
                         ui::VAL_AUTOSCALE, 0.0, 0.0);
        ui::SetCtrlDimmed(s.GraphHandle, kGraph, false);
        s.OutPlot = ui::PlotSpectrum(s.GraphHandle, kGraph, 0, spectrum, ws.bandwidth, ui::VAL_BLUE,
                                     "Spectrum");
        s.OutFlag = 1;
        DrawPlayedOnce(std::move(shown));
        EnterMenuPhase(MenuPhase::Synthesised);
        WaveformOpened(*path);
        ShowWaveformFigures(figures, played);
        ui::XGraphPopup(path->substr(path->find_last_of('/') + 1), ws.Swift,
                        1000.0 / (2.0 * ws.bandwidth), FiguresForEye(figures, &played));
    }
}

void Export_Callback(int menubar, int item, int /*panel*/) {
    const Screen& s = workspace().screen;
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

void SetUpDesignMenus() {
    const int bar = workspace().screen.MenuHandle;
    ui::SetMenuItemChoices(bar, menu::kMenuExportData,
                           {"Profile (CSV)…", "Spectrum (CSV)…", "Waveform (CSV)…"});
    ShowRecentDesigns();
    ShowEditMenu();
}

}  // namespace pelorin
