// The profile plot, cursors, zoom, notch and smoothing panels, driven through
// their callbacks.
#include <QApplication>
#include <QMouseEvent>
#include <numeric>
#include <tuple>

#include "gui/platform/graph_control.h"
#include "tests/support/gui_test.h"

namespace pelorin::testing {
namespace {

class Profile : public GuiTest {
protected:
    // N = 1024 points over 0 … 1000 kHz (the unsnapped layout).
    void SetUp() override {
        GuiTest::SetUp();
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
        ApplySetReset(2048, 1000.0);
    }
    // Indices holding level, as [first, last] runs.
    std::vector<std::pair<int, int>> Runs(double level) const {
        std::vector<std::pair<int, int>> runs;
        const auto& m = workspace().Magnitude;
        for (int i = 0; i < static_cast<int>(m.size()); ++i)
            if (m[i] == level) {
                if (!runs.empty() && runs.back().second == i - 1)
                    runs.back().second = i;
                else
                    runs.emplace_back(i, i);
            }
        return runs;
    }
    void XRange(double& lo, double& hi) {
        double y0, y1;
        ui::GetAxisRange(screen().GraphHandle, ids::Main::kGraph, lo, hi, y0, y1);
    }
    int Plots() { return ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph); }
};

TEST_F(Profile, NotchWindowsFromTypedBounds) {
    Notch(100, 200, 1.0);
    EXPECT_EQ(Runs(1.0), (std::vector<std::pair<int, int>>{{102, 203}}));
    EXPECT_FALSE(ui::PanelVisible(screen().NotchHandle));

    Notch(200, 100, 0.5);  // reversed bounds, same window
    EXPECT_EQ(Runs(0.5), (std::vector<std::pair<int, int>>{{102, 203}}));
    Notch(150, 160, 0.0);  // a notch inside the band
    EXPECT_EQ(Runs(0.5), (std::vector<std::pair<int, int>>{{102, 152}, {163, 203}}));

    Notch(900, 1000, -2.0);  // the upper bound at the bandwidth includes the last point
    EXPECT_EQ(Runs(-2.0), (std::vector<std::pair<int, int>>{{921, 1023}}));
    Notch(0, 1, 3.0);
    EXPECT_EQ(Runs(3.0), (std::vector<std::pair<int, int>>{{0, 0}}));

    // Bounds outside 0 … bandwidth are clipped to the profile.
    Notch(-500, 5000, 7.0);
    EXPECT_EQ(Runs(7.0), (std::vector<std::pair<int, int>>{{0, 1023}}));
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
}

// A window that holds no point is the entry's to correct: the panel stays
// open with From selected, and nothing changes, the spectrum on the graph
// included; so for a window outside the profile and for equal bounds.
TEST_F(Profile, WindowWithoutPointsIsRefusedAndChangesNothing) {
    MakeGraph(ws().Magnitude, kPlotOutput);
    const std::vector<double> before = ws().Magnitude;
    for (const auto& [from, to, why] :
         {std::tuple{100.0, 100.5, "holds no point"}, std::tuple{5000.0, 6000.0, "lies outside"},
          std::tuple{300.0, 300.0, "both 300 kHz"}}) {
        popups->messages.clear();
        Notch(from, to, 1.0);
        EXPECT_NE(LastMessage().find(why), std::string::npos) << LastMessage();
        EXPECT_TRUE(ui::PanelVisible(screen().NotchHandle));
        EXPECT_EQ(ws().Magnitude, before);
        EXPECT_EQ(screen().OutFlag, 1);
        EXPECT_FALSE(design().CanUndo());
    }
}

TEST_F(Profile, NotchFromTheGraphCursors) {
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 1, 200.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 2, 100.0);
    Notch(600, 700, 1.0, 1);  // the typed bounds are ignored
    EXPECT_EQ(Runs(1.0), (std::vector<std::pair<int, int>>{{102, 203}}));
    // The redraw reads the cursors back, unordered as they stand.
    EXPECT_EQ(screen().cursor1, 200.0);
    EXPECT_EQ(screen().cursor2, 100.0);
}

TEST_F(Profile, OneProfilePlotAndOneSpectrumPlotAtMost) {
    for (int i = 0; i < 3; ++i)
        Notch(10.0 * i, 10.0 * i + 5, 1.0);
    EXPECT_EQ(Plots(), 1);
    MakeGraph(ws().Magnitude, kPlotOutput);
    MakeGraph(ws().Magnitude, kPlotOutput);
    EXPECT_EQ(Plots(), 2);
    EXPECT_EQ(ui::GraphPlotColour(screen().GraphHandle, ids::Main::kGraph, screen().OutPlot),
              ui::VAL_BLUE);
    EXPECT_EQ(ui::GraphPlotPoints(screen().GraphHandle, ids::Main::kGraph, screen().MagPlot),
              1024u);
}

// A value axis fixed by hand returns to fitting the plots when a new plot
// replaces the old.
TEST_F(Profile, ANewPlotFitsTheValueAxis) {
    double x0, x1, y0, y1;
    std::vector<double> y(16, 0.0);
    y[3] = 100.5;
    ui::SetAxisRange(screen().GraphHandle, ids::Main::kGraph, ui::VAL_NO_CHANGE, 0, 0,
                     ui::VAL_MANUAL, -1, 2);
    MakeGraph(y, kPlotOutput);
    ui::GetAxisRange(screen().GraphHandle, ids::Main::kGraph, x0, x1, y0, y1);
    EXPECT_LE(y0, 0.0);
    EXPECT_GE(y1, 100.5);
    EXPECT_LT(y1, 110.0);
    EXPECT_EQ(x0, 0.0);  // the frequency axis is left alone
    EXPECT_EQ(x1, 1000.0);
}

TEST_F(Profile, ZoomToCursorsAndBack) {
    const int g = screen().GraphHandle;
    ui::DragGraphCursor(g, ids::Main::kGraph, 1, 300.0);
    ui::DragGraphCursor(g, ids::Main::kGraph, 2, 100.0);  // right to left: same window
    double lo, hi;
    // The window between the cursors, with a margin of a twentieth each side
    // that keeps both cursors in sight.
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomCursors);
    XRange(lo, hi);
    EXPECT_EQ(lo, 90.0);
    EXPECT_EQ(hi, 310.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomPrevious);
    XRange(lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1000.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomPrevious);
    XRange(lo, hi);
    EXPECT_EQ(lo, 90.0);
    EXPECT_EQ(hi, 310.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomFull);
    XRange(lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1000.0);
    EXPECT_EQ(screen().tempfreqmin, 0.0);  // full range leaves the previous view alone
    EXPECT_EQ(screen().tempfreqmax, 1000.0);
    // The stored cursors follow the graph again after every zoom command.
    EXPECT_EQ(screen().cursor1, 300.0);
    EXPECT_EQ(screen().cursor2, 100.0);
}

TEST_F(Profile, EmptyZoomsLeaveAUsableAxis) {
    double lo, hi;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomPrevious);  // no previous view yet
    XRange(lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1000.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 1, 400.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 2, 400.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuZoomCursors);
    XRange(lo, hi);
    EXPECT_LT(lo, 400.0);
    EXPECT_GT(hi, 400.0);
    EXPECT_LT(hi - lo, 10.0);
}

TEST_F(Profile, SmoothingThroughThePanel) {
    ApplySetReset(14, 70.0);  // 7 points
    ws().Magnitude = {0, 0, 3, 0, 0, 6, 0};
    MakeGraph(ws().Magnitude, kPlotOutput);
    const int p = screen().SmoothHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSmooth);
    ui::SetCtrlVal(p, ids::Smooth::kWidth, 3);
    ui::PressButton(p, ids::Smooth::kApply);
    EXPECT_EQ(ws().Magnitude, (std::vector<double>{0, 1, 1, 1, 2, 2, 0}));
    EXPECT_EQ(screen().OutFlag, 0);
    EXPECT_EQ(Plots(), 1);
    EXPECT_FALSE(ui::PanelVisible(p));
}

TEST_F(Profile, SmoothingRefusesWidthsItCannotCentre) {
    ApplySetReset(14, 70.0);
    ws().Magnitude = {0, 0, 3, 0, 0, 6, 0};
    const auto before = ws().Magnitude;
    const int p = screen().SmoothHandle;
    for (int width : {4, 9}) {
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSmooth);
        ui::SetCtrlVal(p, ids::Smooth::kWidth, width);
        ui::PressButton(p, ids::Smooth::kApply);
        EXPECT_EQ(ws().Magnitude, before) << width;
        EXPECT_NE(LastMessage().find(std::to_string(width)), std::string::npos) << LastMessage();
    }
    EXPECT_EQ(popups->messages.size(), 2u);
}

TEST_F(Profile, FourMillionPointsPlot) {
    ApplySetReset(8388608, 1000.0);
    Notch(100, 900, 1.0);
    EXPECT_EQ(ui::GraphPlotPoints(screen().GraphHandle, ids::Main::kGraph, screen().MagPlot),
              4194304u);
    ui::RefreshGraph(screen().GraphHandle, ids::Main::kGraph);
}

}  // namespace
}  // namespace pelorin::testing

namespace pelorin::testing {
namespace {

void Mouse(QWidget* w, QEvent::Type type, double x, double y) {
    const QPointF local(x, y);
    QMouseEvent e(type, local, w->mapToGlobal(local), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The operator drags cursor 1 with the mouse: the stored position follows on
// release, and the status bar while dragging.
TEST_F(Profile, DraggingACursorWithTheMouse) {
    ui::GraphControl* g = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* candidate = dynamic_cast<ui::GraphControl*>(w))
            g = candidate;
    ASSERT_NE(g, nullptr);
    g->resize(800, 500);
    g->replot();
    const double y = g->axisRect()->rect().center().y();
    const double from = g->xAxis->coordToPixel(g->cursorX(1));
    const double to = g->xAxis->coordToPixel(600.0);
    Mouse(g, QEvent::MouseButtonPress, from + 2, y);
    Mouse(g, QEvent::MouseMove, (from + to) / 2, y);
    EXPECT_NE(ui::StatusText(screen().GraphHandle).find("Cursor 1"), std::string::npos);
    EXPECT_NE(screen().cursor1, g->cursorX(1));  // not read until the drag ends
    Mouse(g, QEvent::MouseMove, to, y);
    Mouse(g, QEvent::MouseButtonRelease, to, y);
    EXPECT_NEAR(screen().cursor1, 600.0, 1000.0 / 800);  // within a pixel
    EXPECT_EQ(screen().cursor1, g->cursorX(1));
    // A drag never takes a cursor off the axis.
    Mouse(g, QEvent::MouseButtonPress, to, y);
    Mouse(g, QEvent::MouseMove, to + 5000, y);
    Mouse(g, QEvent::MouseButtonRelease, to + 5000, y);
    EXPECT_LE(screen().cursor1, 1000.0);
}

}  // namespace
}  // namespace pelorin::testing
