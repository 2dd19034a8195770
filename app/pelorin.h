// The graphical front end: start-up, the callbacks every panel and menu item
// binds by name, and the drawing routines they share.
#pragma once

#include <span>

#include "app/workspace.h"

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

}  // namespace pelorin
