// The graphical front end: start-up, the callbacks every panel and menu item
// binds by name, and the drawing routines they share.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/display/figures.h"
#include "core/display/played_once.h"
#include "core/synth/series.h"
#include "core/workspace/workspace.h"
#include "gui/panels/session.h"
#include "resources/panel_ids.h"

namespace pelorin {

// The entries of a recipe step, in order.
using StepEntries = std::vector<std::pair<std::string, std::string>>;

// Registers every callback under the name the panel resource binds.
void RegisterCallbacks();

// Loads the panel set and shows the main panel; the title panel stays up for
// title_seconds. Throws when the panel resource is missing or malformed.
void StartUp(double title_seconds);

// Applies one of the menu phases: dims or enables the items, and hides the
// profile panels once the profile is no longer editable.
void EnterMenuPhase(MenuPhase phase);

// Shows the operator why an operation was refused.
void Report(const Refusal& refusal);

// A refusal of one entry of a panel: the panel stays open with the entry
// selected, for the operator to correct it.
class EntryRefusal : public Refusal {
public:
    EntryRefusal(const Refusal& refusal, int control)
        : Refusal(refusal.what(), refusal.severity()), control_(control) {}
    int control() const noexcept { return control_; }

private:
    int control_;
};

// The window title and the unsaved mark follow the waveform: made or
// imported (from `origin`, a file or "" for a synthesis) and not stored yet,
// or stored as `file`.
void WaveformMade(const std::string& origin);
void Stored(const std::string& file);

// Before work that has not been kept would be lost (a waveform not stored,
// design edits not saved): asks Save, Discard or Cancel, saving what Save
// asks for; true to go on with `action` ("quit", "open a design" …).
bool MayDiscardWork(const std::string& action);
// The window title after the waveform or the design changed: the file, and a
// "*" while there is work not kept.
void ShowTitle();
// Whether the design has edits not saved (stores aside).
bool DesignEdited();
// The store dialog and the store; false when the operator cancelled.
bool StoreWaveformAsked();
// The save-design dialog and the save; false when the operator cancelled.
bool SaveDesignAsked();

// The busy cursor for the life of the object.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// A tool panel's command: a commit of control `command` runs `work` under the
// busy cursor and reports a refusal; the panel is then hidden, whatever the
// event. `work` returns false when it did not finish and the panel should
// stay open for another try.
int PanelCommand(int panel, int control, int event, int command, const std::function<bool()>& work);

// Takes the output plot off the graph: it no longer matches a profile that
// is about to change.
void RemoveOutputPlot();

// Takes every plot off the graph.
void RemoveAllPlots();

// The graph's frequency axis over 0 … bandwidth kHz, its full range, and the
// y axis fitted afresh when asked.
void ShowGraphRange(double bandwidth, bool fit_y);

// --- Shell and Set/Reset ------------------------------------------------
int MainPanelCallback(int panel, int event);
void Spectrum_Callback(int menubar, int item, int panel);
void Finished_Callback(int menubar, int item, int panel);
int SetReset_Callback(int panel, int control, int event);
int SWIFTCallback(int panel, int control, int event);
int Arbcallback(int panel, int control, int event);
void Help_Callback(int menubar, int item, int panel);
int BoundSource_Callback(int panel, int control, int event);
void SetPanelforTEK(int panel);
void SetPanelforNI(int panel);

// --- Profile display ----------------------------------------------------
inline constexpr int kPlotProfile = 1;
inline constexpr int kPlotOutput = 3;
int MakeGraph(std::span<const double> y, int kind);
// The same handing the values over to the graph.
int MakeGraph(std::vector<double>&& y, int kind);
int Graph_Callback(int panel, int control, int event);
void Zoom_Callback(int menubar, int item, int panel);

// --- Profile editing ----------------------------------------------------
int MakeNotch_Callback(int panel, int control, int event);
int Smooth_Callback(int panel, int control, int event);

// --- Synthesis and files ------------------------------------------------
// The synthesis panel's choice of phase law, which series and batches take too.
PhaseChoice PanelPhaseChoice();
// Adds phase= and iterations= to a step's entries for the optimised law.
void RecordPhase(StepEntries& entries, const PhaseChoice& choice);
int PhaseChoice_Callback(int panel, int control, int event);
// Synthesises by the synthesis panel's phase law, as the design's swift step.
void ProcessSwift(int popup, int check, int factor);
int Process_Callback(int panel, int control, int event);
void SaveSwift_Callback(int menubar, int item, int panel);

// --- Numbered series (SWIM and Hadamard) --------------------------------
// The "Save Batch" pop-up, split into stem and extension; empty (after the
// "Must specify a file name." message) when no name was chosen.
std::optional<SeriesName> AskSeriesName();
// Runs a series step (entries and name) with a progress dialog the operator
// can cancel, keeps the graph in step with the profile and reports the
// outcome.
void RunSeriesStep(const std::string& title, const std::string& step, const StepEntries& entries,
                   const SeriesName& name);

// --- SWIM ---------------------------------------------------------------
int MakeSWIM_Callback(int panel, int control, int event);
int Batch_Callback(int panel, int control, int event);

// --- Frequency list and Hadamard batches --------------------------------
// The Hadamard panel's list shows the workspace's frequency list.
void ShowFrequencyList();
void AdjustHadamard(int panel);
int FreqListCallback(int panel, int control, int event);
int HadamBatchCallback(int panel, int control, int event);
int DoHadamardCallback(int panel, int control, int event);

// --- Designing in m/z ---------------------------------------------------
int Calib_Callback(int panel, int control, int event);
void Axis_Callback(int menubar, int item, int panel);
int Isolate_Callback(int panel, int control, int event);
int IsolateList_Callback(int panel, int control, int event);
int IsolateRange_Callback(int panel, int control, int event);
// Shows the calibration panel with the calibration in force.
void ShowCalibrationPanel();
// Takes the calibration and the axis unit remembered from the last run.
void RestoreMassSettings();
// The isolation panel's range: the default one while the operator has not
// asked for another.
void ShowMassRange(const Workspace& ws);
// The recipe entries of the window a panel's command just used (typed in kHz
// or m/z, or from the cursors), and how the Undo item names it ("200–400
// kHz", "m/z 500–510").
StepEntries WindowEntries(int panel, int from, int to, bool typed, std::string* name);
// The label of a value of the frequency list: its kHz, and its m/z beside
// while the axis is in m/z.
std::string FrequencyListLabel(float khz);
// The frequency (kHz) an entry gives, read as m/z while the axis is in m/z.
double FrequencyEntry(const Workspace& ws, int panel, int control);

// --- Designs as files, undo, waveforms opened ---------------------------
// A number as a recipe entry that reads back to the same value.
std::string StepNumber(double v);
std::string StepNumber(float v);
// The file pop-up for one kind of file ("*.csv"): the path chosen, with that
// extension added to a name saved without one; nothing when none was chosen.
std::optional<std::string> AskPath(const std::string& spec, const std::string& title, int button,
                                   const std::string& type_list = {});
// The recipe step of a panel's command.
recipe::Step MakeStep(const std::string& name, const StepEntries& entries);
// Runs a panel's command as its recipe step through the session's design,
// beside the window when the profile is long; `label` names it in the Undo
// item. Throws the step's refusal, nothing changed.
void RunStep(const std::string& name, const StepEntries& entries, const std::string& label = {},
             const recipe::StepHooks& hooks = {});
// RunStep for a step that shapes the profile over a window the operator
// typed (typed) or placed with the cursors, then the profile drawn afresh. A
// refusal of a typed window keeps its panel open with `entry` selected.
void RunWindowStep(const std::string& name, const StepEntries& entries, const std::string& label,
                   bool typed, int entry);
// A new design, started by a Set/Reset of samples at the bandwidth entered.
void StartDesign(bool tek, int samples, double bandwidth);
// No design any more (an import or an opened waveform replaced the profile).
void EndDesign();
// The Undo and Redo items, named after what they would do, and Save design.
void ShowEditMenu();
void Undo_Callback(int menubar, int item, int panel);
void Design_Callback(int menubar, int item, int panel);
void OpenWaveform_Callback(int menubar, int item, int panel);
// Opens a .swf file: its waveform, spectrum and figures replace the
// workspace's. Throws Refusal, the workspace untouched, for a file that is no
// waveform.
void OpenWaveform(const std::string& path);
// Opens a file named at start: a .swf file (by its first line) as a
// waveform, anything else as a design; a refusal is shown.
void OpenAtStart(const std::string& path);
void Export_Callback(int menubar, int item, int panel);
// The menu items made at start-up: export choices, recent designs, undo.
void SetUpDesignMenus();
// The window title after a waveform was opened from file.
void WaveformOpened(const std::string& file);
// The calibration panel's entries and the axis after the calibration changed.
void ShowCalibrationState();

// --- What the waveform does to the ions ---------------------------------
int Excite_Callback(int panel, int control, int event);
int ExciteList_Callback(int panel, int control, int event);
int ExciteRange_Callback(int panel, int control, int event);
// The excitation panel's entries as the last run left them.
void RestoreExciteSettings();

// --- The view of the waveform in hand -----------------------------------
// Its figures in the figures pane (and a summary in the status bar).
void ShowWaveformFigures(const WaveformFigures& f, const PlayedOnceFigures& played);
// No waveform: the figures pane says so.
void ClearWaveformFigures();
// Whether View > Played-once spectrum is checked.
bool PlayedOnceWanted();
// Draws the played-once spectrum, when it is wanted.
void DrawPlayedOnce(PlayedOnceSpectrum&& shown);
void RemovePlayedOnce();
void View_Callback(int menubar, int item, int panel);
// The decibel scale, the figures pane and the played-once spectrum as the
// last run left them.
void RestoreViewSettings();

// --- Import of .dat waveforms -------------------------------------------
void Ltavikcallback(int menubar, int item, int panel);
int AWGcallback(int panel, int control, int event);
int AwgPCallback(int panel, int event);
int FinishSwiftSave(int awg);

}  // namespace pelorin
