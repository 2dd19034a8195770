// The Set/Reset panel: its two layouts, the Tektronix bandwidth snapping and
// the command that starts a new profile.
#include <cstdio>
#include <string>

#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/ui.h"

namespace pelorin {

namespace {

namespace id = ids::SetReset;

// Shows the entries of one layout, hides the other's and records which one
// the next apply reads.
void SetLayout(int panel, bool tek) {
    ui::SetCtrlVal(panel, id::kNiSwitch, !tek);
    ui::SetCtrlVal(panel, id::kTekSwitch, tek);
    screen().usetek = tek;
    ui::SetCtrlVisible(panel, id::kTekBandwidth, tek);
    ui::SetCtrlVisible(panel, id::kTekSamples, tek);
    ui::SetCtrlVisible(panel, id::kNiBandwidth, !tek);
    ui::SetCtrlVisible(panel, id::kNiSamples, !tek);
}

}  // namespace

int SetReset_Callback(int panel, int control, int event) {
    return PanelCommand(panel, control, event, id::kApply, [panel] {
        const bool tek = screen().usetek;
        const double bw = ui::GetCtrlVal(panel, tek ? id::kTekBandwidth : id::kNiBandwidth);
        const int samples = ui::GetCtrlInt(panel, tek ? id::kTekSamples : id::kNiSamples);
        // The Tektronix bandwidth snaps to the clock even when its entry was
        // not committed, as the command line snaps it.
        SetResetBandwidth(tek, bw);
        if (!MayDiscardWork("start a new profile"))
            return false;
        // The graph draws the old profile where it lies: off it before it
        // goes. A refused profile (no memory) leaves the old one drawn again.
        RemoveAllPlots();
        try {
            StartDesign(tek, samples, bw);
        } catch (const Refusal&) {
            if (ProfileEditable(workspace()))
                MakeGraph(workspace().Magnitude, kPlotProfile);
            throw;
        }
        const Workspace& ws = workspace();
        ui::WriteSetting("setreset/layout", tek ? "tek" : "ni");
        ui::WriteSetting("setreset/samples", std::to_string(samples));
        char entered[32];
        std::snprintf(entered, sizeof entered, "%.17g", bw);
        ui::WriteSetting("setreset/bandwidth", entered);
        // The waveform of the old profile can no longer be stored.
        screen().unsaved = false;
        ClearWaveformFigures();
        ShowGraphRange(ws.bandwidth, false);
        screen().tempfreqmin = screen().tempfreqmax = 0.0;
        EnterMenuPhase(MenuPhase::Editable);
        ShowCalibrationState();  // the m/z range of the new profile
        return true;
    });
}

int SWIFTCallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    const int main = screen().GraphHandle;
    char text[200];
    if (control == id::kTekSamples || control == id::kNiSamples) {
        // The profile has half as many points: an odd count loses its last
        // sample, which the entry shows at once.
        const int samples = ui::GetCtrlInt(panel, control);
        if (samples % 2 != 0 && samples > 2) {
            ui::SetCtrlVal(panel, control, samples - 1);
            std::snprintf(text, sizeof text,
                          "%d samples became %d: the waveform has twice as many samples as "
                          "the profile has points.",
                          samples, samples - 1);
            ui::ShowStatusMessage(main, text);
        }
        return 0;
    }
    if (control != id::kTekBandwidth)
        return 0;
    const double entered = ui::GetCtrlVal(panel, id::kTekBandwidth);
    const auto snap = SnapTektronix(entered);
    if (!snap)
        return 0;  // the entry's range keeps the value within 0 … 12500 kHz
    ui::SetCtrlIncrement(panel, id::kTekBandwidth, snap->increment);
    ui::SetCtrlVal(panel, id::kTekBandwidth, snap->snapped);
    if (snap->snapped != entered) {
        std::snprintf(text, sizeof text,
                      "%.6g kHz became %.6g kHz (12500 / %d): the Tektronix AWG's sample clock "
                      "is 40 ns.",
                      entered, snap->snapped, snap->k);
        ui::ShowStatusMessage(main, text);
    }
    return 0;
}

void SetPanelforTEK(int panel) {
    SetLayout(panel, true);
}

void SetPanelforNI(int panel) {
    SetLayout(panel, false);
}

int Arbcallback(int panel, int control, int event) {
    if (event != ui::EVENT_COMMIT)
        return 0;
    if (control == id::kNiSwitch)
        SetLayout(panel, ui::GetCtrlInt(panel, id::kNiSwitch) == 0);
    else if (control == id::kTekSwitch)
        SetLayout(panel, ui::GetCtrlInt(panel, id::kTekSwitch) != 0);
    return 0;
}

}  // namespace pelorin
