// Start-up, the workspace record, the menu phases and the shell's callbacks.
#include <cmath>
#include <cstdlib>

#include "gui/panels/about.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace menu = ids::Main;

constexpr int kProfileItems[] = {menu::kMenuNotch,  menu::kMenuSwim,      menu::kMenuHadamard,
                                 menu::kMenuSmooth, menu::kMenuSynthesis, menu::kMenuIsolate};

}  // namespace

Session& session() {
    static Session instance;
    return instance;
}

void ResetSession() {
    session() = Session{};
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
            // What is typed must be a value within its entry's range before
            // anything runs.
            if (const auto problem = ui::FindEntryProblem(panel))
                throw EntryRefusal(Refusal(problem->message), problem->control);
            BusyCursor busy;
            finished = work();
        } catch (const EntryRefusal& r) {
            Report(r);
            ui::SelectCtrl(panel, r.control());
            finished = false;
        } catch (const Cancelled& c) {
            ui::ShowStatusMessage(screen().GraphHandle, c.what());
        } catch (const Refusal& r) {
            Report(r);
        }
    }
    if (finished)
        ui::HidePanel(panel);
    return 0;
}

namespace {}  // namespace

void ShowTitle() {
    const Screen& s = screen();
    std::string title = "Pelorin";
    if (!s.document.empty())
        title += " — " + s.document.substr(s.document.find_last_of('/') + 1);
    else if (s.unsaved)
        title += " — new waveform";
    if (s.unsaved || DesignEdited())
        title += " *";
    ui::SetPanelTitle(s.GraphHandle, title);
}

void WaveformMade(const std::string& origin) {
    Screen& s = screen();
    s.document = origin;
    s.unsaved = true;
    ShowTitle();
}

void WaveformOpened(const std::string& file) {
    Screen& s = screen();
    s.document = file;
    s.unsaved = false;
    ShowTitle();
}

void Stored(const std::string& file) {
    Screen& s = screen();
    s.document = file;
    s.unsaved = false;
    ShowTitle();
    ui::ShowStatusMessage(s.GraphHandle, "Stored " + file);
}

bool MayDiscardWork(const std::string& action) {
    const bool waveform = screen().unsaved;
    const bool design = DesignEdited();
    if (!waveform && !design)
        return true;
    const std::string what = waveform && design
                                 ? "The waveform has not been stored, and the design has edits "
                                   "that are not saved."
                             : waveform ? "The waveform has not been stored."
                                        : "The design has edits that are not saved.";
    const std::string title = waveform ? "Waveform not stored" : "Design not saved";
    switch (ui::AskToSavePopup(title, what + " Save before you " + action + "?")) {
        case ui::SaveAnswer::Cancel:
            return false;
        case ui::SaveAnswer::Discard:
            return true;
        case ui::SaveAnswer::Save:
            break;
    }
    try {
        if (waveform && !StoreWaveformAsked())
            return false;
        if (design && !SaveDesignAsked())
            return false;
    } catch (const Refusal& r) {
        Report(r);
        return false;
    }
    return true;
}

void RemoveOutputPlot() {
    if (screen().OutFlag == 1)
        ui::DeleteGraphPlot(screen().GraphHandle, ids::Main::kGraph, screen().OutPlot);
    screen().OutFlag = 0;
    RemovePlayedOnce();
}

void ShowGraphRange(double bandwidth, bool fit_y) {
    Screen& s = screen();
    s.bandwidth = bandwidth;
    ui::SetGraphExtent(s.GraphHandle, ids::Main::kGraph, 0.0, bandwidth);
    ui::SetAxisRange(s.GraphHandle, ids::Main::kGraph, ui::VAL_MANUAL, 0.0, bandwidth,
                     fit_y ? ui::VAL_AUTOSCALE : ui::VAL_NO_CHANGE, 0.0, 0.0);
    ui::SetCtrlDimmed(s.GraphHandle, ids::Main::kGraph, false);
}

void RemoveAllPlots() {
    ui::DeleteGraphPlot(screen().GraphHandle, ids::Main::kGraph, -1);
    // The plots that follow fit the y axis afresh.
    ui::SetAxisRange(screen().GraphHandle, ids::Main::kGraph, ui::VAL_NO_CHANGE, 0.0, 0.0,
                     ui::VAL_AUTOSCALE, 0.0, 0.0);
    screen().MagFlag = 0;
    screen().OutFlag = 0;
    screen().PlayedFlag = 0;
}

void EnterMenuPhase(MenuPhase phase) {
    const int bar = screen().MenuHandle;
    const bool editable = phase == MenuPhase::Editable;
    for (int item : kProfileItems)
        ui::SetMenuItemDimmed(bar, item, !editable);
    ui::SetMenuItemDimmed(bar, menu::kMenuStore, phase != MenuPhase::Synthesised);
    ui::SetMenuItemDimmed(bar, menu::kMenuExcite, phase != MenuPhase::Synthesised);
    for (int item : {menu::kMenuZoomCursors, menu::kMenuZoomPrevious, menu::kMenuZoomFull})
        ui::SetMenuItemDimmed(bar, item, phase == MenuPhase::Start);
    if (!editable) {
        // A profile panel left open must not act on a profile that is gone.
        const Screen& s = screen();
        for (int panel : {s.NotchHandle, s.SwimHandle, s.HadamardHandle, s.SmoothHandle,
                          s.ProcessHandle, s.IsolateHandle})
            if (panel && ui::PanelExists(panel))
                ui::HidePanel(panel);
    }
    ShowEditMenu();
}

namespace {

// The Set/Reset entries as they were last applied.
void RestoreSetReset(int panel) {
    namespace id = ids::SetReset;
    const auto layout = ui::ReadSetting("setreset/layout");
    if (layout == std::optional<std::string>("ni"))
        SetPanelforNI(panel);
    const bool tek = screen().usetek;
    for (const auto& [key, control] :
         {std::pair{"setreset/samples", tek ? id::kTekSamples : id::kNiSamples},
          std::pair{"setreset/bandwidth", tek ? id::kTekBandwidth : id::kNiBandwidth}}) {
        if (const auto v = ui::ReadSetting(key)) {
            // A value the entry cannot hold leaves the default in place.
            char* end = nullptr;
            const double value = std::strtod(v->c_str(), &end);
            if (end != v->c_str() && *end == '\0')
                ui::SetCtrlValIfAllowed(panel, control, value);
        }
    }
}

}  // namespace

void StartUp(double title_seconds) {
    Screen& s = screen();
    s.usetek = true;
    s.title_handle = ui::LoadPanel(0, "pelorin.uir", ids::Title::kPanel);
    ui::DisplayPanel(s.title_handle);
    if (title_seconds > 0)
        ui::Delay(title_seconds);
    s.GraphHandle = ui::LoadPanel(0, "pelorin.uir", ids::Main::kPanel);
    s.MenuHandle = ui::GetPanelMenuBar(s.GraphHandle);
    // The tool panels belong to the main window.
    const int main = s.GraphHandle;
    s.CalibHandle = ui::LoadPanel(main, "pelorin.uir", ids::Calib::kPanel);
    s.NotchHandle = ui::LoadPanel(main, "pelorin.uir", ids::Notch::kPanel);
    s.ProcessHandle = ui::LoadPanel(main, "pelorin.uir", ids::Process::kPanel);
    s.SmoothHandle = ui::LoadPanel(main, "pelorin.uir", ids::Smooth::kPanel);
    s.SetResetHandle = ui::LoadPanel(main, "pelorin.uir", ids::SetReset::kPanel);
    s.SwimHandle = ui::LoadPanel(main, "pelorin.uir", ids::Swim::kPanel);
    s.HadamardHandle = ui::LoadPanel(main, "pelorin.uir", ids::Hadamard::kPanel);
    s.IsolateHandle = ui::LoadPanel(main, "pelorin.uir", ids::Isolate::kPanel);
    s.ExciteHandle = ui::LoadPanel(main, "pelorin.uir", ids::Excite::kPanel);
    RestoreSetReset(s.SetResetHandle);
    RestoreMassSettings();
    RestoreViewSettings();
    RestoreExciteSettings();
    SetUpDesignMenus();
    ui::RestoreGeometry(main, "window/main");
    ShowTitle();
    ui::DisplayPanel(s.GraphHandle);
    ui::SetSleepPolicy(3);
    ui::DiscardPanel(s.title_handle);
    s.title_handle = 0;
    // A settings file left alone is said where the operator looks.
    if (const auto notice = ui::TakeSettingsNotice())
        ui::ShowStatusMessage(s.GraphHandle, *notice);
}

namespace {

void Quit() {
    if (!MayDiscardWork("quit"))
        return;
    ui::SaveGeometry(screen().GraphHandle, "window/main");
    RemoveAllPlots();
    Workspace& ws = workspace();
    ws.Magnitude = {};
    ws.Swift = {};
    ui::QuitUserInterface(0);
}

}  // namespace

int MainPanelCallback(int /*panel*/, int event) {
    if (event == ui::EVENT_CLOSE)
        Quit();
    return 0;
}

void Spectrum_Callback(int /*menubar*/, int item, int /*panel*/) {
    const Workspace& ws = workspace();
    const Screen& s = screen();
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
        case menu::kMenuIsolate:
            panel = s.IsolateHandle;
            break;
        case menu::kMenuSetReset:
            panel = s.SetResetHandle;
            break;
        case menu::kMenuCalibration:
            ShowCalibrationPanel();
            return;
        case menu::kMenuExcite:
            ui::DisplayPanel(s.ExciteHandle);
            return;
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
    if (item == menu::kMenuExit)
        Quit();
}

void Help_Callback(int /*menubar*/, int item, int /*panel*/) {
    if (item == menu::kMenuGuide) {
        ui::ShowGuide(screen().GraphHandle);
    } else if (item == menu::kMenuAbout) {
        ui::MessagePopup("About Pelorin", AboutText());
    }
}

int BoundSource_Callback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT && event != ui::EVENT_VALUE_CHANGED)
        return 0;
    // The typed bounds mean nothing while the cursors give the window.
    const bool cursors = ui::GetCtrlInt(panel, control) != 0;
    const bool notch = panel == screen().NotchHandle;
    ui::SetCtrlDimmed(panel, notch ? ids::Notch::kFrom : ids::Swim::kFrom, cursors);
    ui::SetCtrlDimmed(panel, notch ? ids::Notch::kTo : ids::Swim::kTo, cursors);
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
    ui::RegisterMenuCallback("Help_Callback", Help_Callback);
    ui::RegisterControlCallback("BoundSource_Callback", BoundSource_Callback);
    ui::RegisterMenuCallback("Axis_Callback", Axis_Callback);
    ui::RegisterMenuCallback("Undo_Callback", Undo_Callback);
    ui::RegisterControlCallback("PhaseChoice_Callback", PhaseChoice_Callback);
    ui::RegisterMenuCallback("Design_Callback", Design_Callback);
    ui::RegisterMenuCallback("OpenWaveform_Callback", OpenWaveform_Callback);
    ui::RegisterMenuCallback("Export_Callback", Export_Callback);
    ui::RegisterMenuCallback("View_Callback", View_Callback);
    ui::RegisterControlCallback("Isolate_Callback", Isolate_Callback);
    ui::RegisterControlCallback("Excite_Callback", Excite_Callback);
    ui::RegisterControlCallback("ExciteList_Callback", ExciteList_Callback);
    ui::RegisterControlCallback("ExciteRange_Callback", ExciteRange_Callback);
    ui::RegisterControlCallback("IsolateList_Callback", IsolateList_Callback);
    ui::RegisterControlCallback("IsolateRange_Callback", IsolateRange_Callback);
}

}  // namespace pelorin
