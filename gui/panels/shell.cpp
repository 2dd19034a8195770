// Start-up, the workspace record, the menu phases and the shell's callbacks.
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;

constexpr int kProfileItems[] = {menu::kMenuNotch, menu::kMenuSwim, menu::kMenuHadamard,
                                 menu::kMenuSmooth, menu::kMenuSynthesis};

}  // namespace

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

void Report(const Refusal& refusal) {
    ui::SetWaitCursor(0);
    ui::MessagePopup(refusal.title(), refusal.what());
}

BusyCursor::BusyCursor() {
    ui::SetWaitCursor(1);
}

BusyCursor::~BusyCursor() {
    ui::SetWaitCursor(0);
}

int PanelCommand(int panel, int control, int event, int command,
                 const std::function<bool()>& work) {
    bool finished = true;
    if (event == ui::EVENT_COMMIT && control == command) {
        try {
            BusyCursor busy;
            finished = work();
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    if (finished)
        ui::HidePanel(panel);
    return 0;
}

void RemoveOutputPlot(Workspace& ws) {
    if (ws.screen.OutFlag == 1)
        ui::DeleteGraphPlot(ws.screen.GraphHandle, ids::Main::kGraph, ws.screen.OutPlot);
    ws.screen.OutFlag = 0;
}

void RemoveAllPlots(Workspace& ws) {
    ui::DeleteGraphPlot(ws.screen.GraphHandle, ids::Main::kGraph, -1);
    ws.screen.MagFlag = 0;
    ws.screen.OutFlag = 0;
}

void EnterMenuPhase(MenuPhase phase) {
    Workspace& ws = workspace();
    ws.phase = phase;
    const int bar = ws.screen.MenuHandle;
    const bool editable = phase == MenuPhase::Editable;
    for (int item : kProfileItems)
        ui::SetMenuItemDimmed(bar, item, !editable);
    ui::SetMenuItemDimmed(bar, menu::kMenuStore, phase != MenuPhase::Synthesised);
    for (int item : {menu::kMenuZoomCursors, menu::kMenuZoomPrevious, menu::kMenuZoomFull})
        ui::SetMenuItemDimmed(bar, item, phase == MenuPhase::Start);
    if (!editable) {
        // A profile panel left open must not act on a profile that is gone.
        const Screen& s = ws.screen;
        for (int panel :
             {s.NotchHandle, s.SwimHandle, s.HadamardHandle, s.SmoothHandle, s.ProcessHandle})
            if (panel && ui::PanelExists(panel))
                ui::HidePanel(panel);
    }
}

void StartUp(double title_seconds) {
    Screen& s = workspace().screen;
    s.usetek = true;
    s.title_handle = ui::LoadPanel(0, "pelorin.uir", ids::Title::kPanel);
    s.CalibHandle = ui::LoadPanel(0, "pelorin.uir", ids::Calib::kPanel);
    ui::DisplayPanel(s.title_handle);
    if (title_seconds > 0)
        ui::Delay(title_seconds);
    s.GraphHandle = ui::LoadPanel(0, "pelorin.uir", ids::Main::kPanel);
    s.MenuHandle = ui::GetPanelMenuBar(s.GraphHandle);
    s.NotchHandle = ui::LoadPanel(0, "pelorin.uir", ids::Notch::kPanel);
    s.ProcessHandle = ui::LoadPanel(0, "pelorin.uir", ids::Process::kPanel);
    s.SmoothHandle = ui::LoadPanel(0, "pelorin.uir", ids::Smooth::kPanel);
    s.SetResetHandle = ui::LoadPanel(0, "pelorin.uir", ids::SetReset::kPanel);
    s.SwimHandle = ui::LoadPanel(0, "pelorin.uir", ids::Swim::kPanel);
    s.HadamardHandle = ui::LoadPanel(0, "pelorin.uir", ids::Hadamard::kPanel);
    ui::DisplayPanel(s.GraphHandle);
    ui::SetSleepPolicy(3);
    ui::DiscardPanel(s.title_handle);
    s.title_handle = 0;
}

int MainPanelCallback(int /*panel*/, int event) {
    if (event == ui::EVENT_CLOSE)
        ui::QuitUserInterface(0);
    return 0;
}

void Spectrum_Callback(int /*menubar*/, int item, int /*panel*/) {
    const Workspace& ws = workspace();
    const Screen& s = ws.screen;
    int panel = 0;
    switch (item) {
        case menu::kMenuNotch:
            panel = s.NotchHandle;
            break;
        case menu::kMenuSwim:
            panel = s.SwimHandle;
            break;
        case menu::kMenuHadamard:
            panel = s.HadamardHandle;
            break;
        case menu::kMenuSmooth:
            panel = s.SmoothHandle;
            break;
        case menu::kMenuSynthesis:
            panel = s.ProcessHandle;
            break;
        case menu::kMenuSetReset:
            panel = s.SetResetHandle;
            break;
        default:
            return;
    }
    if (panel != s.SetResetHandle && !ProfileEditable(ws)) {
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
    if (item != menu::kMenuExit)
        return;
    Workspace& ws = workspace();
    ws.Magnitude = {};
    ws.Swift = {};
    ui::QuitUserInterface(0);
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
