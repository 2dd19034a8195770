// Designing in m/z from the window: the calibration panel and its memory,
// the graph's m/z axis and read-out, entries typed in m/z and isolation.
#include <QApplication>

#include "core/edit/bands.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "gui/platform/graph_control.h"
#include "tests/support/gui_test.h"

namespace pelorin::testing {
namespace {

class MassDesign : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(ws().screen.SetResetHandle, ids::SetReset::kNiSwitch, 1);
        ApplySetReset(16384, 1250.0);
    }
    // The profile of the same design made by the core operations in kHz.
    Workspace Reference() const {
        Workspace ref;
        ref.calibration = workspace().calibration;
        SetReset(ref, 16384, 1250.0);
        return ref;
    }
};

TEST_F(MassDesign, CalibrationPanelFieldRefusalAndMemory) {
    const int calib = ws().screen.CalibHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuCalibration);
    ASSERT_TRUE(ui::PanelVisible(calib));
    EXPECT_EQ(ui::GetCtrlVal(calib, ids::Calib::kACoeff), 1.07e8);
    // The field entry sets A; 7 T puts m/z 500 near 214.99 kHz.
    ui::EnterCtrlVal(calib, ids::Calib::kTesla, 7.0);
    EXPECT_NEAR(ui::GetCtrlVal(calib, ids::Calib::kACoeff), 7.0 * kHzPerTesla, 1e-3);
    ui::PressButton(calib, ids::Calib::kApply);
    EXPECT_FALSE(ui::PanelVisible(calib));
    EXPECT_NEAR(KhzFromMz(ws().calibration, 500.0), 214.99, 0.01);
    EXPECT_NE(ui::StatusMessage(ws().screen.GraphHandle).find("m/z"), std::string::npos);

    // A B that turns m/z around inside the profile is refused, the panel kept
    // open and the calibration in force unchanged.
    const Calibration kept = ws().calibration;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuCalibration);
    ui::EnterCtrlVal(calib, ids::Calib::kBCoeff, -1e11);
    ui::PressButton(calib, ids::Calib::kApply);
    EXPECT_TRUE(ui::PanelVisible(calib));
    EXPECT_NE(LastMessage().find("rise again"), std::string::npos) << LastMessage();
    EXPECT_EQ(ws().calibration.Bcoeff, kept.Bcoeff);
    ui::EnterCtrlVal(calib, ids::Calib::kBCoeff, 2e9);
    ui::PressButton(calib, ids::Calib::kApply);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);

    // The next session starts with the calibration and the axis left.
    const Calibration applied = ws().calibration;
    ui::ResetPlatform();
    workspace() = Workspace{};
    RegisterCallbacks();
    StartUp(0.0);
    EXPECT_EQ(ws().calibration.Acoeff, applied.Acoeff);
    EXPECT_EQ(ws().calibration.Bcoeff, 2e9);
    EXPECT_TRUE(ws().screen.mzaxis);
    EXPECT_TRUE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisMz));
    EXPECT_EQ(ui::CtrlLabel(ws().screen.NotchHandle, ids::Notch::kFrom), "From (m/z)");
}

// In m/z the axis is labelled with round m/z values where they fall, the
// read-out gives both units, and a window or an isolation typed in m/z
// writes what its frequencies typed in kHz write.
TEST_F(MassDesign, AxisReadoutEntriesAndIsolation) {
    const int main = ws().screen.GraphHandle;
    const int notch = ws().screen.NotchHandle;
    Notch(100, 1000, 1.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);
    EXPECT_TRUE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisMz));
    EXPECT_FALSE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisKhz));
    ui::GraphControl* g = MainGraph();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->xAxis->label(), "m/z");
    const auto ticker = g->xAxis->ticker().dynamicCast<QCPAxisTickerText>();
    ASSERT_TRUE(ticker);
    ASSERT_GE(ticker->ticks().size(), 4);
    for (auto it = ticker->ticks().begin(); it != ticker->ticks().end(); ++it)
        EXPECT_NEAR(MzFromKhz(ws().calibration, it.key()), it.value().toDouble(),
                    1e-9 * it.value().toDouble());

    const Calibration& c = ws().calibration;
    ui::DragGraphCursor(main, ids::Main::kGraph, 1, KhzFromMz(c, 500.0));
    ui::DragGraphCursor(main, ids::Main::kGraph, 2, 0.0);
    const std::string readout = ui::StatusText(main);
    EXPECT_NE(readout.find("Cursor 1: 214.000 kHz (m/z 500.000)"), std::string::npos) << readout;
    EXPECT_NE(readout.find("Cursor 2: 0.000 kHz (m/z ∞)"), std::string::npos) << readout;
    // Zoom works on the frequencies the ticks stand on, as in kHz.
    ui::DragGraphCursor(main, ids::Main::kGraph, 2, KhzFromMz(c, 400.0));
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomCursors);
    double lo, hi, y0, y1;
    ui::GetAxisRange(main, ids::Main::kGraph, lo, hi, y0, y1);
    const double margin = (KhzFromMz(c, 400.0) - KhzFromMz(c, 500.0)) / 20.0;
    EXPECT_NEAR(lo, KhzFromMz(c, 500.0) - margin, 1e-9);
    EXPECT_NEAR(hi, KhzFromMz(c, 400.0) + margin, 1e-9);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomFull);

    // The entries now read m/z; the window's ends changed places.
    EXPECT_EQ(ui::CtrlLabel(notch, ids::Notch::kTo), "To (m/z)");
    EXPECT_EQ(ui::CtrlLabel(ws().screen.HadamardHandle, ids::Hadamard::kFrequency),
              "Frequency (m/z)");
    EXPECT_LT(ui::GetCtrlVal(notch, ids::Notch::kFrom), ui::GetCtrlVal(notch, ids::Notch::kTo));
    Notch(500, 510, 0.0);
    Workspace ref = Reference();
    ref.cursor1 = 100, ref.cursor2 = 1000;
    ApplyNotch(ref, 1.0);
    ref.cursor1 = KhzFromMz(c, 510.0), ref.cursor2 = KhzFromMz(c, 500.0);
    ApplyNotch(ref, 0.0);
    EXPECT_EQ(ws().Magnitude, ref.Magnitude);
    // An m/z past every frequency is the entry's to correct.
    Notch(-3, 510, 0.0);
    EXPECT_TRUE(ui::PanelVisible(notch));
    EXPECT_NE(LastMessage().find("positive"), std::string::npos) << LastMessage();
    ui::HidePanel(notch);

    // Isolation of the target typed, with an empty list; then of two
    // targets listed (one typed twice), their notches in one step.
    const int iso = ws().screen.IsolateHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuIsolate);
    ui::EnterCtrlVal(iso, ids::Isolate::kTarget, 700.0);
    ui::PressButton(iso, ids::Isolate::kApply);
    EXPECT_EQ(ws().Magnitude[ws().datapts / 2], 1.0);
    EXPECT_EQ(ws().Magnitude[static_cast<std::size_t>(KhzFromMz(c, 700.0) * ws().datapts / 1250)],
              0.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuIsolate);
    for (double t : {1000.0, 524.3, 1000.0}) {
        ui::EnterCtrlVal(iso, ids::Isolate::kTarget, t);
        ui::PressButton(iso, ids::Isolate::kAdd);
    }
    ASSERT_EQ(ui::GetNumListItems(iso, ids::Isolate::kList), 2);
    EXPECT_EQ(ui::GetLabelFromIndex(iso, ids::Isolate::kList, 0), "524.3");
    ui::EnterCtrlVal(iso, ids::Isolate::kWidth, 2.0);
    ui::PressButton(iso, ids::Isolate::kApply);
    EXPECT_FALSE(ui::PanelVisible(iso));
    ref = Reference();
    SetWindow(ref.Magnitude, {1, ref.datapts}, 1.0);
    for (double t : {524.3, 1000.0}) {
        ref.cursor1 = KhzFromMz(c, t - 1.0), ref.cursor2 = KhzFromMz(c, t + 1.0);
        ApplyNotch(ref, 0.0);
    }
    EXPECT_EQ(ws().Magnitude, ref.Magnitude);

    // Back in kHz the axis has its own numbers and the entries their unit.
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisKhz);
    EXPECT_EQ(g->xAxis->label(), "Frequency (kHz)");
    EXPECT_FALSE(g->xAxis->ticker().dynamicCast<QCPAxisTickerText>());
    EXPECT_EQ(ui::CtrlLabel(notch, ids::Notch::kFrom), "From (kHz)");
    EXPECT_EQ(ui::StatusText(main).find("m/z"), std::string::npos);
}

}  // namespace
}  // namespace pelorin::testing
