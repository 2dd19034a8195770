// Start-up, the menu phases, the shell's callbacks and Set/Reset.
#include <string>

#include "app/pelorin.h"
#include "app/setreset.h"
#include "platform/ui.h"

namespace pelorin {

namespace {

// Set/Reset panel controls.
enum SetResetControl {
    kNiSamples = 2,
    kNiBandwidth = 3,
    kTekSamples = 4,
    kTekBandwidth = 5,
    kApply = 7,
    kNiSwitch = 8,
    kTekSwitch = 9,
};

constexpr int kProfileItems[] = {kMenuNotch, kMenuSwim, kMenuHadamard, kMenuSmooth, kMenuSynthesis};

}  // namespace

void Report(const Refusal& refusal) {
    ui::SetWaitCursor(0);
    ui::MessagePopup(refusal.title(), refusal.what());
}

int PanelCommand(int panel, int control, int event, int command,
                 const std::function<void()>& work) {
    if (event == ui::EVENT_COMMIT && control == command) {
        try {
            ui::SetWaitCursor(1);
            work();
            ui::SetWaitCursor(0);
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    ui::HidePanel(panel);
    return 0;
}

void RemoveOutputPlot(Workspace& ws) {
    if (ws.OutFlag == 1)
        ui::DeleteGraphPlot(ws.GraphHandle, kGraph, ws.OutPlot);
    ws.OutFlag = 0;
}

void EnterMenuPhase(MenuPhase phase) {
    Workspace& ws = workspace();
    ws.phase = phase;
    const int bar = ws.MenuHandle;
    const bool editable = phase == MenuPhase::Editable;
    for (int item : kProfileItems)
        ui::SetMenuItemDimmed(bar, item, !editable);
    ui::SetMenuItemDimmed(bar, kMenuStore, phase != MenuPhase::Synthesised);
    for (int item : {kMenuZoomCursors, kMenuZoomPrevious, kMenuZoomFull})
        ui::SetMenuItemDimmed(bar, item, phase == MenuPhase::Start);
    if (!editable) {
        // A profile panel left open must not act on a profile that is gone.
        for (int panel :
             {ws.NotchHandle, ws.SwimHandle, ws.HadamardHandle, ws.SmoothHandle, ws.ProcessHandle})
            if (panel && ui::PanelExists(panel))
                ui::HidePanel(panel);
    }
}

void StartUp(double title_seconds) {
    Workspace& ws = workspace();
    ws.usetek = 1;
    ws.useni = 0;
    ws.title_handle = ui::LoadPanel(0, "pelorin.uir", 10);
    ws.CalibHandle = ui::LoadPanel(0, "pelorin.uir", 2);
    ui::DisplayPanel(ws.title_handle);
    if (title_seconds > 0)
        ui::Delay(title_seconds);
    ws.GraphHandle = ui::LoadPanel(0, "pelorin.uir", 8);
    ws.MenuHandle = ui::GetPanelMenuBar(ws.GraphHandle);
    ws.NotchHandle = ui::LoadPanel(0, "pelorin.uir", 4);
    ws.ProcessHandle = ui::LoadPanel(0, "pelorin.uir", 5);
    ws.SmoothHandle = ui::LoadPanel(0, "pelorin.uir", 6);
    ws.SetResetHandle = ui::LoadPanel(0, "pelorin.uir", 7);
    ws.SwimHandle = ui::LoadPanel(0, "pelorin.uir", 9);
    ws.HadamardHandle = ui::LoadPanel(0, "pelorin.uir", 3);
    ui::DisplayPanel(ws.GraphHandle);
    ui::SetSleepPolicy(3);
    ui::DiscardPanel(ws.title_handle);
    ws.title_handle = 0;
}

int MainPanelCallback(int /*panel*/, int event) {
    if (event == ui::EVENT_CLOSE)
        ui::QuitUserInterface(0);
    return 0;
}

void Spectrum_Callback(int /*menubar*/, int item, int /*panel*/) {
    const Workspace& ws = workspace();
    int panel = 0;
    switch (item) {
        case kMenuNotch:
            panel = ws.NotchHandle;
            break;
        case kMenuSwim:
            panel = ws.SwimHandle;
            break;
        case kMenuHadamard:
            panel = ws.HadamardHandle;
            break;
        case kMenuSmooth:
            panel = ws.SmoothHandle;
            break;
        case kMenuSynthesis:
            panel = ws.ProcessHandle;
            break;
        case kMenuSetReset:
            panel = ws.SetResetHandle;
            break;
        default:
            return;
    }
    if (panel != ws.SetResetHandle && !ProfileEditable(ws)) {
        try {
            RequireEditableProfile(ws);
        } catch (const Refusal& r) {
            Report(r);
        }
        return;
    }
    ui::DisplayPanel(panel);
}

void Finished_Callback(int /*menubar*/, int item, int /*panel*/) {
    if (item != kMenuExit)
        return;
    Workspace& ws = workspace();
    ws.Magnitude = {};
    ws.Swift = {};
    ui::QuitUserInterface(0);
}

int SetReset_Callback(int panel, int control, int event) {
    if (event == ui::EVENT_COMMIT && control == kApply) {
        Workspace& ws = workspace();
        ui::SetWaitCursor(1);
        double bw = 0.0;
        int samples = 0;
        if (ws.usetek) {
            bw = ui::GetCtrlVal(panel, kTekBandwidth);
            samples = ui::GetCtrlInt(panel, kTekSamples);
        }
        if (ws.useni) {
            bw = ui::GetCtrlVal(panel, kNiBandwidth);
            samples = ui::GetCtrlInt(panel, kNiSamples);
        }
        const bool had_profile = ws.SetFlag == 1;
        try {
            SetReset(ws, samples, bw);
        } catch (const Refusal& r) {
            Report(r);
            ui::HidePanel(panel);
            return 0;
        }
        if (had_profile)
            ui::DeleteGraphPlot(ws.GraphHandle, kGraph, -1);
        ui::SetAxisRange(ws.GraphHandle, kGraph, ui::VAL_MANUAL, 0.0, ws.bandwidth,
                         ui::VAL_NO_CHANGE, 0.0, 0.0);
        ui::SetCtrlDimmed(ws.GraphHandle, kGraph, false);
        ws.tempfreqmin = ws.tempfreqmax = 0.0;
        EnterMenuPhase(MenuPhase::Editable);
        ui::SetWaitCursor(0);
    }
    ui::HidePanel(panel);
    return 0;
}

int SWIFTCallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT || control != kTekBandwidth)
        return 0;
    const auto snap = SnapTektronix(ui::GetCtrlVal(panel, kTekBandwidth));
    if (!snap)
        return 0;  // the entry's range keeps the value within 0 … 12500 kHz
    ui::SetCtrlIncrement(panel, kTekBandwidth, snap->increment);
    ui::SetCtrlVal(panel, kTekBandwidth, snap->snapped);
    return 0;
}

namespace {

// Shows the entries of one layout, hides the other's and records which one
// the next apply reads.
void SetLayout(int panel, bool tek) {
    Workspace& ws = workspace();
    ui::SetCtrlVal(panel, kNiSwitch, !tek);
    ui::SetCtrlVal(panel, kTekSwitch, tek);
    ws.usetek = tek;
    ws.useni = !tek;
    ui::SetCtrlVisible(panel, kTekBandwidth, tek);
    ui::SetCtrlVisible(panel, kTekSamples, tek);
    ui::SetCtrlVisible(panel, kNiBandwidth, !tek);
    ui::SetCtrlVisible(panel, kNiSamples, !tek);
}

}  // namespace

void SetPanelforTEK(int panel) {
    SetLayout(panel, true);
}

void SetPanelforNI(int panel) {
    SetLayout(panel, false);
}

int Arbcallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == kNiSwitch) {
        if (ui::GetCtrlInt(panel, kNiSwitch))
            SetPanelforNI(panel);
        else
            SetPanelforTEK(panel);
    } else if (control == kTekSwitch) {
        if (ui::GetCtrlInt(panel, kTekSwitch))
            SetPanelforTEK(panel);
        else
            SetPanelforNI(panel);
    }
    return 0;
}

int Calib_Callback(int, int, int) {
    return 0;
}

void RegisterCallbacks() {
    ui::RegisterPanelCallback("MainPanelCallback", MainPanelCallback);
    ui::RegisterMenuCallback("Spectrum_Callback", Spectrum_Callback);
    ui::RegisterMenuCallback("Finished_Callback", Finished_Callback);
    ui::RegisterControlCallback("SetReset_Callback", SetReset_Callback);
    ui::RegisterControlCallback("SWIFTCallback", SWIFTCallback);
    ui::RegisterControlCallback("Arbcallback", Arbcallback);
    ui::RegisterControlCallback("Calib_Callback", Calib_Callback);
    ui::RegisterControlCallback("Graph_Callback", Graph_Callback);
    ui::RegisterMenuCallback("Zoom_Callback", Zoom_Callback);
    ui::RegisterControlCallback("MakeNotch_Callback", MakeNotch_Callback);
    ui::RegisterControlCallback("Smooth_Callback", Smooth_Callback);
    ui::RegisterControlCallback("Process_Callback", Process_Callback);
    ui::RegisterMenuCallback("SaveSwift_Callback", SaveSwift_Callback);
    ui::RegisterControlCallback("MakeSWIM_Callback", MakeSWIM_Callback);
    ui::RegisterControlCallback("Batch_Callback", Batch_Callback);
    ui::RegisterControlCallback("FreqListCallback", FreqListCallback);
    ui::RegisterControlCallback("HadamBatchCallback", HadamBatchCallback);
    ui::RegisterControlCallback("DoHadamardCallback", DoHadamardCallback);
    ui::RegisterMenuCallback("Ltavikcallback", Ltavikcallback);
    ui::RegisterControlCallback("AWGcallback", AWGcallback);
    ui::RegisterPanelCallback("AwgPCallback", AwgPCallback);
}

}  // namespace pelorin
