// The ion excitation panel: it predicts for the waveform in hand exactly
// what the excite step predicts, draws it, and keeps its entries.
#include <cstdio>
#include <sstream>

#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "tests/support/gui_test.h"

namespace pelorin::testing {
namespace {

namespace id = ids::Excite;

class Excitation : public GuiTest {};

TEST_F(Excitation, PanelPredictsWhatTheStepPredicts) {
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuExcite));
    ApplySetReset(4096, 1250.0);
    Notch(100.0, 600.0, 1.0);
    Notch(200.0, 210.0, 0.0);
    Synthesise(0, 0, -1);
    ASSERT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuExcite));
    const int p = screen().ExciteHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuExcite);
    ASSERT_TRUE(ui::PanelVisible(p));
    ui::EnterCtrlVal(p, id::kVpp, 450.0);
    ui::EnterCtrlVal(p, id::kTrap, 1.0);
    ui::EnterCtrlVal(p, id::kTarget, 524.3);
    ui::PressButton(p, id::kAdd);
    ui::PressButton(p, id::kPredict);
    ASSERT_EQ(popups->radius_plots.size(), 1u) << LastMessage();
    const ui::RadiusPlot& plot = popups->radius_plots[0];
    EXPECT_TRUE(ui::PanelVisible(p));  // for the next voltage
    EXPECT_EQ(plot.wall, 30.0);
    EXPECT_EQ(plot.kept, 3.0);
    ASSERT_EQ(plot.marks.size(), 1u);

    // The same step on the command line's engine, from the design's recipe.
    std::ostringstream out;
    recipe::Runner cli(out);
    for (const std::string& line : design().Recipe())
        cli.Run(*recipe::ParseRecipeLine(line, 1));
    cli.Run(*recipe::ParseRecipeLine("excite vpp=450 trap=1 mz=524.3", 1));
    float plus = 0, minus = 0, peak = 0;
    const std::string text = out.str();
    const std::size_t at = text.find("target 524.3: ");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(std::sscanf(text.c_str() + at, "target 524.3: r_plus_mm=%f r_minus_mm=%f peak_mm=%f",
                          &plus, &minus, &peak),
              3);
    EXPECT_NEAR(plot.marks[0].radius, plus, 1e-3 * plus + 1e-4);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.4g", peak);
    EXPECT_NE(plot.marks[0].label.find(std::string("swings to ") + shown), std::string::npos)
        << plot.marks[0].label;
    EXPECT_NE(plot.caption.find("At 450 V"), std::string::npos) << plot.caption;
    EXPECT_EQ(plot.x.size(), plot.radius.size());
    EXPECT_GT(plot.x.size(), 4u * 2048 / 2);

    // The entries come back in the next session.
    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    EXPECT_EQ(ui::GetCtrlVal(screen().ExciteHandle, id::kVpp), 450.0);
    EXPECT_EQ(ui::GetCtrlVal(screen().ExciteHandle, id::kTrap), 1.0);
}

}  // namespace
}  // namespace pelorin::testing
