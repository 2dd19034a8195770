// Designing in m/z from the window: the calibration panel and its memory,
// the graph's m/z axis and read-out, entries typed in m/z and isolation.
#include <QApplication>
#include <cmath>
#include <tuple>

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
        ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
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

TEST_F(MassDesign, CalibrationPanelFieldRefusalFitAndMemory) {
    const int calib = screen().CalibHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuCalibration);
    ASSERT_TRUE(ui::PanelVisible(calib));
    // Until told otherwise, exactly the calibration of a 7 T field.
    EXPECT_EQ(ui::GetCtrlVal(calib, ids::Calib::kACoeff), 7.0 * kHzPerTesla);
    EXPECT_EQ(ui::GetCtrlVal(calib, ids::Calib::kTesla), 7.0);
    ui::EnterCtrlVal(calib, ids::Calib::kTesla, 9.4);
    EXPECT_NEAR(ui::GetCtrlVal(calib, ids::Calib::kACoeff), 9.4 * kHzPerTesla, 1e-3);
    ui::PressButton(calib, ids::Calib::kApply);
    EXPECT_FALSE(ui::PanelVisible(calib));
    EXPECT_NE(ui::StatusMessage(screen().GraphHandle).find("default m/z range"), std::string::npos);

    // A B that turns m/z around inside the default range (from 12.5 kHz up)
    // is refused, the panel kept open and the calibration in force unchanged.
    const Calibration kept = ws().calibration;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuCalibration);
    ui::EnterCtrlVal(calib, ids::Calib::kBCoeff, -1e12);
    ui::PressButton(calib, ids::Calib::kApply);
    EXPECT_TRUE(ui::PanelVisible(calib));
    EXPECT_NE(LastMessage().find("rises again"), std::string::npos) << LastMessage();
    EXPECT_EQ(ws().calibration.Bcoeff, kept.Bcoeff);

    // Two calibrants of A = 1.2e8 Hz, B = -2e9 Hz^2 give both back; the
    // panel stays open listing each residual.
    const Calibration truth{1.2e8, -2e9};
    for (double khz : {300.0, 120.0}) {
        ui::SetCtrlVal(calib, ids::Calib::kPeakMz, MzFromKhz(truth, khz));
        ui::SetCtrlVal(calib, ids::Calib::kPeakKhz, khz);
        ui::PressButton(calib, ids::Calib::kAddPeak);
    }
    ASSERT_EQ(ui::GetNumListItems(calib, ids::Calib::kPeaks), 2);
    ui::PressButton(calib, ids::Calib::kFit);
    EXPECT_TRUE(ui::PanelVisible(calib));
    EXPECT_NEAR(ws().calibration.Acoeff / truth.Acoeff, 1.0, 1e-9);
    EXPECT_NEAR(ws().calibration.Bcoeff / truth.Bcoeff, 1.0, 1e-7);
    EXPECT_NE(ui::GetLabelFromIndex(calib, ids::Calib::kPeaks, 0).find("+0.00 ppm"),
              std::string::npos)
        << ui::GetLabelFromIndex(calib, ids::Calib::kPeaks, 0);
    EXPECT_EQ(design().Recipe().back().rfind("calibrate peak=", 0), 0u) << design().Recipe().back();
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);

    // The next session starts with the calibration, its calibrants and the
    // axis left.
    const Calibration applied = ws().calibration;
    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    EXPECT_EQ(ws().calibration.Acoeff, applied.Acoeff);
    EXPECT_EQ(ws().calibration.Bcoeff, applied.Bcoeff);
    EXPECT_EQ(ui::GetNumListItems(screen().CalibHandle, ids::Calib::kPeaks), 2);
    EXPECT_TRUE(screen().mzaxis);
    EXPECT_TRUE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisMz));
    EXPECT_EQ(ui::CtrlLabel(screen().NotchHandle, ids::Notch::kFrom), "From (m/z)");
}

// In m/z the axis is labelled with round m/z values where they fall, the
// read-out gives both units with the digits the point spacing supports, and
// windows and isolations typed in m/z do what the core's m/z operations do.
TEST_F(MassDesign, AxisReadoutEntriesAndIsolation) {
    const int main = screen().GraphHandle;
    const int notch = screen().NotchHandle;
    Notch(100, 1000, 1.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);
    EXPECT_TRUE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisMz));
    EXPECT_FALSE(ui::MenuItemChecked(bar(), ids::Main::kMenuAxisKhz));
    ui::GraphControl* g = MainGraph();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->xAxis->label().toStdString(), "m/z (falls →)");

    // 16384 samples at 1250 kHz: a point is 152.6 Hz, 0.355 m/z at m/z 500
    // under 7 T; one decimal tells points apart there.
    const Calibration& c = ws().calibration;
    ui::DragGraphCursor(main, ids::Main::kGraph, 1, KhzFromMz(c, 500.0));
    ui::DragGraphCursor(main, ids::Main::kGraph, 2, 0.0);
    std::string readout = ui::StatusText(main);
    EXPECT_NE(readout.find("Cursor 1: 214.986 kHz (m/z 500.0, 0.355 a point)"), std::string::npos)
        << readout;
    EXPECT_NE(readout.find("Cursor 2: 0.000 kHz (m/z ∞)"), std::string::npos) << readout;
    ui::DragGraphCursor(main, ids::Main::kGraph, 2, KhzFromMz(c, 400.0));
    readout = ui::StatusText(main);
    EXPECT_NE(readout.find("(Δ m/z 100.0)"), std::string::npos) << readout;
    // Zoom works on the frequencies the ticks stand on, as in kHz.
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomCursors);
    double lo, hi, y0, y1;
    ui::GetAxisRange(main, ids::Main::kGraph, lo, hi, y0, y1);
    const double margin = (KhzFromMz(c, 400.0) - KhzFromMz(c, 500.0)) / 20.0;
    EXPECT_NEAR(lo, KhzFromMz(c, 500.0) - margin, 1e-9);
    EXPECT_NEAR(hi, KhzFromMz(c, 400.0) + margin, 1e-9);
    // Each tick stands where the m/z its label reads falls, f = A / mz, and
    // the ticks follow the view when it is zoomed and when it is panned.
    const auto ticks_follow = [&](const char* when) {
        const auto ticker = g->xAxis->ticker().dynamicCast<QCPAxisTickerText>();
        ASSERT_TRUE(ticker) << when;
        const QCPRange view = g->xAxis->range();
        int shown = 0;
        for (auto it = ticker->ticks().cbegin(); it != ticker->ticks().cend(); ++it) {
            const double mz = it.value().toDouble();
            EXPECT_NEAR(it.key(), 7 * 15356117.548594771 / mz / 1000.0, 1e-9 * it.key()) << when;
            shown += view.contains(it.key());
        }
        EXPECT_GE(shown, 3) << when;
        EXPECT_EQ(shown, ticker->ticks().size()) << when;
    };
    ticks_follow("zoomed");
    g->xAxis->moveRange(0.7 * (hi - lo));
    ticks_follow("panned");
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomFull);

    // The entries now read m/z, tooltips included; the window's ends changed
    // places; the frequency list shows m/z beside each value.
    EXPECT_EQ(ui::CtrlLabel(notch, ids::Notch::kTo), "To (m/z)");
    EXPECT_NE(ui::CtrlTip(notch, ids::Notch::kFrom).find("low m/z"), std::string::npos);
    EXPECT_EQ(ui::CtrlTip(notch, ids::Notch::kFrom).find("kHz"), std::string::npos);
    const int had = screen().HadamardHandle;
    EXPECT_EQ(ui::CtrlLabel(had, ids::Hadamard::kFrequency), "Frequency (m/z)");
    ui::SetCtrlVal(had, ids::Hadamard::kFrequency, 600.0);
    ui::PressButton(had, ids::Hadamard::kAdd);
    ASSERT_EQ(ui::GetNumListItems(had, ids::Hadamard::kList), 1);
    EXPECT_NE(ui::GetLabelFromIndex(had, ids::Hadamard::kList, 0).find("m/z 600.0"),
              std::string::npos)
        << ui::GetLabelFromIndex(had, ids::Hadamard::kList, 0);
    EXPECT_LT(ui::GetCtrlVal(notch, ids::Notch::kFrom), ui::GetCtrlVal(notch, ids::Notch::kTo));
    Notch(500, 510, 0.0);
    Workspace ref = Reference();
    ref.cursor1 = 100, ref.cursor2 = 1000;
    ApplyNotch(ref, 1.0);
    ApplyMzNotch(ref, 500.0, 510.0, 0.0);
    EXPECT_EQ(ws().Magnitude, ref.Magnitude);
    // An m/z past every frequency, and a notch narrower than two points, are
    // the entry's to correct; nothing changes.
    for (const auto& [from, to, why] :
         {std::tuple{-3.0, 510.0, "positive"}, std::tuple{500.0, 500.3, "less than two"}}) {
        Notch(from, to, 0.0);
        EXPECT_TRUE(ui::PanelVisible(notch));
        EXPECT_NE(LastMessage().find(why), std::string::npos) << LastMessage();
        EXPECT_EQ(ws().Magnitude, ref.Magnitude);
        ui::HidePanel(notch);
    }

    // The isolation panel shows the default range; a target typed with the
    // list empty, then two listed (one typed twice) in one step.
    const int iso = screen().IsolateHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuIsolate);
    EXPECT_EQ(ui::GetCtrlVal(iso, ids::Isolate::kFrom), ws().lowmass);
    EXPECT_EQ(ui::GetCtrlVal(iso, ids::Isolate::kTo), ws().highmass);
    EXPECT_NEAR(ws().highmass, MzFromKhz(c, 12.5), 1e-9);
    ui::EnterCtrlVal(iso, ids::Isolate::kTarget, 700.0);
    ui::PressButton(iso, ids::Isolate::kApply);
    // Worked by hand: 8192 points 1250/8192 kHz apart, m/z = A / f with A =
    // 7 x 15356117.548594771 Hz. The range starts at 12.5 kHz, point 81.92,
    // rounded down: points 0 .. 80 stay at 0 and the band and the notch
    // above give way to 1. m/z 701 .. 699 lie at points 1004.94 .. 1007.82,
    // rounded outward to 1004 .. 1008 (m/z 700 is 1006.38, inside).
    const auto zeros = [this] {
        std::vector<std::pair<int, int>> runs;
        const std::vector<double>& m = ws().Magnitude;
        for (int k = 0; k < static_cast<int>(m.size()); ++k) {
            if (m[k] == 1.0)
                continue;
            EXPECT_EQ(m[k], 0.0) << k;
            if (!runs.empty() && runs.back().second == k - 1)
                runs.back().second = k;
            else
                runs.emplace_back(k, k);
        }
        return runs;
    };
    EXPECT_EQ(zeros(), (std::vector<std::pair<int, int>>{{0, 80}, {1004, 1008}}));
    ui::ChooseMenuItem(bar(), ids::Main::kMenuIsolate);
    for (double t : {1000.0, 524.3, 1000.0}) {
        ui::EnterCtrlVal(iso, ids::Isolate::kTarget, t);
        ui::PressButton(iso, ids::Isolate::kAdd);
    }
    ASSERT_EQ(ui::GetNumListItems(iso, ids::Isolate::kList), 2);
    EXPECT_EQ(ui::GetLabelFromIndex(iso, ids::Isolate::kList, 0), "524.3");
    // Too narrow at m/z 1000 (1.42 m/z a point): refused with the width
    // selected; then wide enough.
    ui::EnterCtrlVal(iso, ids::Isolate::kWidth, 2.0);
    ui::PressButton(iso, ids::Isolate::kApply);
    EXPECT_TRUE(ui::PanelVisible(iso));
    EXPECT_NE(LastMessage().find("at least 2.84 m/z wide"), std::string::npos) << LastMessage();
    ui::EnterCtrlVal(iso, ids::Isolate::kWidth, 3.0);
    ui::PressButton(iso, ids::Isolate::kApply);
    EXPECT_FALSE(ui::PanelVisible(iso));
    // m/z 1001.5 .. 998.5 at points 703.41 .. 705.52, and 525.8 .. 522.8 at
    // 1339.80 .. 1347.48, each rounded outward.
    EXPECT_EQ(zeros(), (std::vector<std::pair<int, int>>{{0, 80}, {703, 706}, {1339, 1348}}));

    // Back in kHz the axis has its own numbers and the entries their unit.
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisKhz);
    EXPECT_EQ(g->xAxis->label(), "Frequency (kHz)");
    EXPECT_FALSE(g->xAxis->ticker().dynamicCast<QCPAxisTickerText>());
    EXPECT_EQ(ui::CtrlLabel(notch, ids::Notch::kFrom), "From (kHz)");
    EXPECT_EQ(ui::StatusText(main).find("m/z"), std::string::npos);
    EXPECT_EQ(ui::GetLabelFromIndex(had, ids::Hadamard::kList, 0).find("m/z"), std::string::npos);
}

// A Set/Reset to a profile whose default m/z range the calibration does not
// fit keeps the calibration, says why m/z is refused, and puts the axis back
// in kHz.
TEST_F(MassDesign, SetResetRechecksTheCalibration) {
    ApplySetReset(16384, 100000.0);
    const int calib = screen().CalibHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuCalibration);
    ui::EnterCtrlVal(calib, ids::Calib::kACoeff, 1e8);
    ui::EnterCtrlVal(calib, ids::Calib::kBCoeff, -2.5e12);  // turns at 50 kHz
    ui::PressButton(calib, ids::Calib::kApply);
    ASSERT_EQ(ws().calibration.Bcoeff, -2.5e12) << LastMessage();
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);
    ASSERT_TRUE(screen().mzaxis);
    popups->messages.clear();
    ApplySetReset(16384, 1250.0);
    EXPECT_FALSE(screen().mzaxis);
    EXPECT_NE(LastMessage().find("50 kHz"), std::string::npos) << LastMessage();
    EXPECT_TRUE(std::isnan(ws().highmass));
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAxisMz);
    EXPECT_FALSE(screen().mzaxis);
}

}  // namespace
}  // namespace pelorin::testing
