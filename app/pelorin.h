// The graphical front end: start-up, the callbacks every panel and menu item
// binds by name, and the drawing routines they share.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "synth/series.h"

namespace pelorin {

// Control ids of the main panel and menu items of its menu bar.
inline constexpr int kGraph = 2;
enum MenuItemId {
    kMenuStore = 3,
    kMenuExit = 5,
    kMenuNotch = 9,
    kMenuSwim = 10,
    kMenuHadamard = 11,
    kMenuSmooth = 12,
    kMenuSynthesis = 13,
    kMenuSetReset = 14,
    kMenuZoomCursors = 16,
    kMenuZoomPrevious = 17,
    kMenuZoomFull = 18,
    kMenuImport = 20,
};

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

// A tool panel's command: a commit of control `command` runs `work` under the
// busy cursor, reporting a refusal; the panel is hidden whatever the event.
int PanelCommand(int panel, int control, int event, int command, const std::function<void()>& work);

// Takes the output plot off the graph: it no longer matches a profile that
// is about to change.
void RemoveOutputPlot(Workspace& ws);

// --- Shell and Set/Reset ------------------------------------------------
int MainPanelCallback(int panel, int event);
void Spectrum_Callback(int menubar, int item, int panel);
void Finished_Callback(int menubar, int item, int panel);
int SetReset_Callback(int panel, int control, int event);
int SWIFTCallback(int panel, int control, int event);
int Arbcallback(int panel, int control, int event);
int Calib_Callback(int panel, int control, int event);
void SetPanelforTEK(int panel);
void SetPanelforNI(int panel);

// --- Profile display ----------------------------------------------------
inline constexpr int kPlotProfile = 1;
inline constexpr int kPlotOutput = 3;
int MakeGraph(std::span<const double> y, int kind);
int Graph_Callback(int panel, int control, int event);
void Zoom_Callback(int menubar, int item, int panel);

// --- Profile editing ----------------------------------------------------
int MakeNotch_Callback(int panel, int control, int event);
int Smooth_Callback(int panel, int control, int event);

// --- Synthesis and files ------------------------------------------------
void ProcessSwift(int popup, int check, int factor);
int Process_Callback(int panel, int control, int event);
void SaveSwift_Callback(int menubar, int item, int panel);

// --- Numbered series (SWIM and Hadamard) --------------------------------
// The "Save Batch" pop-up, split into stem and extension; empty (after the
// "Must specify a file name." message) when no name was chosen.
std::optional<SeriesName> AskSeriesName();
// Runs a series with a progress dialog the operator can cancel, keeps the
// graph in step with the profile and reports the outcome.
void RunSeriesWithProgress(const std::string& title,
                           const std::function<SeriesReport(const SeriesProgress&)>& run);

// --- SWIM ---------------------------------------------------------------
int MakeSWIM_Callback(int panel, int control, int event);
int Batch_Callback(int panel, int control, int event);

// --- Frequency list and Hadamard batches --------------------------------
std::vector<float> ReadFloatList(int panel, int control);
void AddToFloatList(int panel, int control, float value);
int ReadList(int panel, int control);
void AdjustHadamard(int panel);
int CheckFrequencies(int panel, int control);
int FreqListCallback(int panel, int control, int event);
int HadamBatchCallback(int panel, int control, int event);
int DoHadamardCallback(int panel, int control, int event);

// --- Import of .dat waveforms -------------------------------------------
void Ltavikcallback(int menubar, int item, int panel);
int AWGcallback(int panel, int control, int event);
int AwgPCallback(int panel, int event);
int FinishSwiftSave(int awg);

}  // namespace pelorin
