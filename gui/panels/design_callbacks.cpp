// The session's design: panel commands run as recipe steps, undo and redo,
// saving and opening designs, and the recent designs.
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>

#include "core/files/atomic_file.h"
#include "core/files/file_names.h"
#include "core/files/input_file.h"
#include "core/recipe/entries.h"
#include "core/recipe/recipe.h"
#include "core/workspace/operations.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;
constexpr std::size_t kRecentDesigns = 8;
constexpr int kGraph = ids::Main::kGraph;
// Profiles from this length on are edited, undone and redone beside the
// window (the undo state of 2^25 points takes about 180 ms).
constexpr std::size_t kLongProfile = std::size_t{1} << 22;

// The paths are kept as the system names them, byte for byte; a list grown
// long by hand is cut to the menu's length.
std::vector<std::string> RecentDesigns() {
    std::vector<std::string> recent = ui::ReadSettingList("designs/recent");
    std::erase(recent, std::string());
    if (recent.size() > kRecentDesigns)
        recent.resize(kRecentDesigns);
    return recent;
}

void ShowRecentDesigns() {
    // Shown with control characters escaped; opened by the bytes kept.
    std::vector<std::string> shown = RecentDesigns();
    for (std::string& path : shown)
        path = recipe::Printable(path);
    ui::SetMenuItemChoices(screen().MenuHandle, menu::kMenuRecentDesigns, shown);
}

void RememberDesign(const std::string& path) {
    std::vector<std::string> recent = RecentDesigns();
    std::erase(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > kRecentDesigns)
        recent.resize(kRecentDesigns);
    ui::WriteSettingList("designs/recent", recent);
    ShowRecentDesigns();
}

// Runs work beside the window when the profile is long.
void Beside(const std::string& what, const std::function<void()>& work) {
    if (workspace().Magnitude.size() >= kLongProfile)
        ui::RunBusy(what, work);
    else
        work();
}

// The panels that show the design's state, after an undo, a redo or an
// opened design changed it.
void ShowDesignState() {
    RemoveOutputPlot();
    const Workspace& ws = workspace();
    if (HasProfile(ws) && ws.source != WaveformSource::Import)
        MakeGraph(ws.Magnitude, kPlotProfile);
    ShowFrequencyList();
    ShowCalibrationState();
    ShowEditMenu();
}

// The Set/Reset panel as the design's reset step left it.
void ShowSetReset(const recipe::Step& reset) {
    const int panel = screen().SetResetHandle;
    const bool tek = recipe::Word(reset, "layout", "tek") == "tek";
    if (tek)
        SetPanelforTEK(panel);
    else
        SetPanelforNI(panel);
    namespace id = ids::SetReset;
    if (const std::string* samples = reset.Find("samples"))
        ui::SetCtrlVal(panel, tek ? id::kTekSamples : id::kNiSamples,
                       static_cast<double>(recipe::ParseWhole("samples", *samples)));
    if (const std::string* bw = reset.Find("bandwidth"))
        ui::SetCtrlVal(panel, tek ? id::kTekBandwidth : id::kNiBandwidth,
                       recipe::ParseReal("bandwidth", *bw));
}

void OpenDesign(const std::string& path) {
    InputFile in(path, "design");
    std::vector<recipe::Step> steps;
    try {
        steps = recipe::ReadRecipe(in.stream());
    } catch (const recipe::RecipeError& e) {
        throw Refusal(path + ", line " + std::to_string(e.line()) + ": " + e.what());
    }
    if (steps.empty())
        throw Refusal("The design " + path + " holds no step.");
    for (const recipe::Step& s : steps) {
        try {
            recipe::CheckStep(s);
        } catch (const Refusal& r) {
            throw Refusal(path + ", line " + std::to_string(s.line) + ": " + r.what());
        }
    }
    // Replayed into a design of its own: a refusal anywhere leaves the
    // window's design as it was.
    Design opened(false);
    Design::Replayed replayed;
    ui::RunBusy("Opening " + path, [&] {
        try {
            replayed = opened.Replay(steps);
        } catch (const Refusal& r) {
            throw Refusal(path + ", " + r.what(), r.severity());
        }
    });

    // The graph draws the old profile where it lies: off it before it goes.
    RemoveAllPlots();
    session().design = std::move(opened);
    const Workspace& ws = workspace();
    Screen& s = screen();
    s.unsaved = false;
    s.document.clear();
    if (replayed.reset)
        ShowSetReset(*replayed.reset);
    if (ws.bandwidth > 0.0)
        ShowGraphRange(ws.bandwidth, false);
    ShowDesignState();
    EnterMenuPhase(ws.phase);
    if (HasWaveform(ws))
        WaveformMade("");
    RememberDesign(path);
    ui::ShowStatusMessage(s.GraphHandle, "Opened the design " + path);
    if (replayed.series) {
        std::string text = "Line " + std::to_string(replayed.series->line) + " (" +
                           recipe::Printable(recipe::FormatStep(*replayed.series)) +
                           ") writes a numbered series of files, which opening a design does "
                           "not do. The design stands as it was before that line";
        if (replayed.not_run > 0)
            text += "; the " + std::to_string(replayed.not_run) +
                    (replayed.not_run == 1 ? " step" : " steps") + " after it were not run either";
        text += ". Run the series from its panel, or the design with pelorin-cli.";
        ui::MessagePopup("Series not rerun", text);
    }
}

}  // namespace

recipe::Step MakeStep(const std::string& name, const StepEntries& entries) {
    recipe::Step step{name, {}, 0};
    for (const auto& [key, value] : entries)
        step.entries.push_back({key, value});
    return step;
}

void RunStep(const std::string& name, const StepEntries& entries, const std::string& label,
             const recipe::StepHooks& hooks) {
    const recipe::Step step = MakeStep(name, entries);
    Beside(label.empty() ? "Working" : label, [&] { design().Apply(step, label, hooks); });
    ShowEditMenu();
}

void RunWindowStep(const std::string& name, const StepEntries& entries, const std::string& label,
                   bool typed, int entry) {
    try {
        RunStep(name, entries, label);
    } catch (const Refusal& r) {
        if (!typed)
            throw;
        throw EntryRefusal(r, entry);
    }
    RemoveOutputPlot();
    MakeGraph(workspace().Magnitude, kPlotProfile);
}

void StartDesign(bool tek, int samples, double bandwidth) {
    const recipe::Step reset = MakeStep("reset", {{"layout", tek ? "tek" : "ni"},
                                                  {"samples", std::to_string(samples)},
                                                  {"bandwidth", StepNumber(bandwidth)}});
    // The zeros of a long profile are made beside the window.
    ui::RunBusy("Setting up the profile", [&] { design().Start(reset); });
    ShowEditMenu();
}

void EndDesign() {
    design().End();
    ShowEditMenu();
}

bool SaveDesignAsked() {
    const Design& d = design();
    if (!d.designing())
        throw Refusal(!d.gap().empty() ? d.gap()
                                       : "There is no design to save: apply Set/Reset and shape "
                                         "a profile first.");
    const auto path = AskPath("*.recipe", "Save design", ui::VAL_SAVE_BUTTON);
    if (!path)
        return false;
    char when[32];
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", std::localtime(&now));
    std::string text = std::string("# Pelorin ") + PELORIN_VERSION + " design, saved " + when +
                       "\n# Open it with File > Open design, or run it with: pelorin-cli FILE\n";
    for (const std::string& line : d.Recipe())
        text += line + "\n";
    AtomicFile file(*path);
    file.Write(text.data(), text.size());
    file.Commit();
    ui::RememberFolder("*.recipe", *path);
    RememberDesign(*path);
    design().MarkSaved();
    ShowTitle();
    ui::ShowStatusMessage(screen().GraphHandle, "Saved the design " + *path);
    return true;
}

bool DesignEdited() {
    return design().Edited();
}

std::string StepNumber(double v) {
    return recipe::Num(v);
}

std::string StepNumber(float v) {
    return recipe::Num(v);
}

void ShowEditMenu() {
    const Design& d = design();
    const Screen& s = screen();
    const bool editable = ProfileEditable(d.workspace());
    const bool undo = editable && d.CanUndo();
    const bool redo = editable && d.CanRedo();
    ui::SetMenuItemLabel(s.MenuHandle, menu::kMenuUndo, undo ? "&Undo " + d.UndoLabel() : "&Undo");
    ui::SetMenuItemLabel(s.MenuHandle, menu::kMenuRedo, redo ? "&Redo " + d.RedoLabel() : "&Redo");
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuUndo, !undo);
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuRedo, !redo);
    ui::SetMenuItemDimmed(s.MenuHandle, menu::kMenuSaveDesign, !d.designing());
    ShowTitle();
}

void Undo_Callback(int /*menubar*/, int item, int /*panel*/) {
    Design& d = design();
    if (!ProfileEditable(d.workspace()))
        return;
    if (item == menu::kMenuUndo && d.CanUndo()) {
        const std::string what = d.UndoLabel();
        Beside("Undoing", [&] { d.Undo(); });
        ShowDesignState();
        ui::ShowStatusMessage(screen().GraphHandle, "Undone: " + what);
    } else if (item == menu::kMenuRedo && d.CanRedo()) {
        const std::string what = d.RedoLabel();
        Beside("Redoing", [&] { d.Redo(); });
        ShowDesignState();
        ui::ShowStatusMessage(screen().GraphHandle, "Redone: " + what);
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

void OpenAtStart(const std::string& path) {
    try {
        std::string first(16, '\0');
        {
            InputFile in(path, "file");
            in.stream().read(first.data(), static_cast<std::streamsize>(first.size()));
        }
        if (first == "TAVIK SWIFT File")
            OpenWaveform(path);
        else
            OpenDesign(path);
    } catch (const Refusal& r) {
        Report(r);
    }
}

void SetUpDesignMenus() {
    const int bar = screen().MenuHandle;
    ui::SetMenuItemChoices(bar, menu::kMenuExportData,
                           {"Profile (CSV)…", "Spectrum (CSV)…", "Waveform (CSV)…"});
    ShowRecentDesigns();
    ShowEditMenu();
}

std::optional<std::string> AskPath(const std::string& spec, const std::string& title, int button,
                                   const std::string& type_list) {
    ui::FileSelectRequest request;
    request.default_spec = spec;
    request.type_list = type_list;
    request.title = title;
    request.button = button;
    request.restrict_extension = button == ui::VAL_SAVE_BUTTON;
    request.allow_make_directory = button == ui::VAL_SAVE_BUTTON;
    std::string path;
    // The file pop-up is the operator's, whatever the cursor was.
    const bool busy = ui::WaitCursorShown();
    ui::SetWaitCursor(0);
    const int chosen = ui::FileSelectPopup(request, path);
    ui::SetWaitCursor(busy);
    // What is opened must be there; what is saved may be new.
    if (chosen <= 0 || (button != ui::VAL_SAVE_BUTTON && chosen != ui::VAL_EXISTING_FILE_SELECTED))
        return std::nullopt;
    return button == ui::VAL_SAVE_BUTTON ? WithExtension(path, spec.substr(1)) : path;
}

}  // namespace pelorin
