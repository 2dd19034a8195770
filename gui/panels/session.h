// The window's session: the design it works on, and what the window keeps of
// the screen beside it (plots, panel handles, the unit of the axis, the
// document). The core never sees the screen state.
#pragma once

#include <string>
#include <vector>

#include "core/design/design.h"
#include "core/workspace/calibration.h"

namespace pelorin {

struct Screen {
    int MagPlot = 0;  // the profile plot, drawn while MagFlag is 1
    int MagFlag = 0;
    int OutPlot = 0;  // the spectrum check, drawn while OutFlag is 1
    int OutFlag = 0;
    int PlayedPlot = 0;  // the played-once spectrum, drawn while PlayedFlag is 1
    int PlayedFlag = 0;

    double bandwidth = 0.0;  // the graph's full range, kHz
    double cursor1 = 0.0;    // the graph cursors, kHz, as last read
    double cursor2 = 0.0;
    double tempfreqmin = 0.0;  // the previous view, kHz
    double tempfreqmax = 0.0;

    std::vector<CalibrantPeak> calibrant_table;  // the calibration panel's list

    bool usetek = true;   // the Set/Reset panel starts in the Tektronix layout
    bool mzaxis = false;  // the graph and the frequency entries in m/z, not kHz

    std::string document;  // the file last stored or imported, for the title
    bool unsaved = false;  // a waveform made or imported and not yet stored

    int title_handle = 0;
    int CalibHandle = 0;
    int GraphHandle = 0;
    int MenuHandle = 0;
    int NotchHandle = 0;
    int ProcessHandle = 0;
    int SmoothHandle = 0;
    int SetResetHandle = 0;
    int SwimHandle = 0;
    int HadamardHandle = 0;
    int IsolateHandle = 0;
    int ExciteHandle = 0;
    int awg_handle = 0;
};

struct Session {
    Design design = Design(true);
    Screen screen;
};

// The one session the window works on, its design's workspace and its screen.
Session& session();
inline Design& design() {
    return session().design;
}
inline Workspace& workspace() {
    return session().design.workspace();
}
inline Screen& screen() {
    return session().screen;
}
// A fresh session, as at start (the tests start each case with one).
void ResetSession();

}  // namespace pelorin
