// Start-up, menus and Set/Reset driven as an operator would.
#include <filesystem>
#include <fstream>

#include "app/setreset.h"
#include "tests/support/gui_test.h"

namespace pelorin::testing {
namespace {

using Shell = GuiTest;

TEST_F(Shell, StartUpShowsOnlyTheMainPanel) {
    EXPECT_TRUE(ui::PanelVisible(ws().GraphHandle));
    for (int p : {ws().NotchHandle, ws().ProcessHandle, ws().SmoothHandle, ws().SetResetHandle,
                  ws().SwimHandle, ws().HadamardHandle, ws().CalibHandle})
        EXPECT_FALSE(ui::PanelVisible(p)) << p;
    EXPECT_EQ(ws().title_handle, 0);
    EXPECT_EQ(ws().SetFlag, 0);
    EXPECT_EQ(ws().usetek, 1);
    EXPECT_EQ(ws().useni, 0);
    // Phase 1: only Set/Reset and the file commands that need no profile.
    for (int item : {3, 9, 10, 11, 12, 13, 16, 17, 18})
        EXPECT_TRUE(ui::MenuItemDimmed(bar(), item)) << item;
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), kMenuSetReset));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), kMenuExit));
}

TEST_F(Shell, TektronixLayoutSnapsAndApplies) {
    const int p = ws().SetResetHandle;
    EXPECT_TRUE(ui::CtrlVisible(p, 4) && ui::CtrlVisible(p, 5));
    EXPECT_FALSE(ui::CtrlVisible(p, 2) || ui::CtrlVisible(p, 3));
    ui::ChooseMenuItem(bar(), kMenuSetReset);
    EXPECT_TRUE(ui::PanelVisible(p));

    ui::EnterCtrlVal(p, 5, 300.0);
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, 5), 12500.0 / 41);
    EXPECT_NEAR(ui::CtrlIncrement(p, 5), 7.269, 1e-3);
    // One arrow press down lands on the next lower achievable bandwidth.
    ui::EnterCtrlVal(p, 5, ui::GetCtrlVal(p, 5) - ui::CtrlIncrement(p, 5));
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, 5), 12500.0 / 42);
    // Every snapped value reads back to the last bit, however it prints.
    for (int k : {7, 41, 1300, 99991}) {
        ui::EnterCtrlVal(p, 5, 12500.0 / k);
        EXPECT_EQ(ui::GetCtrlVal(p, 5), 1 / (2 * (1000 * (4e-08 * k)))) << k;
    }
    ui::EnterCtrlVal(p, 5, 125.0);
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, 5), 125.0);

    ui::EnterCtrlVal(p, 4, 1001);
    ui::EnterCtrlVal(p, 2, 5000);  // the hidden layout's entries are not read
    ui::PressButton(p, 7);
    EXPECT_FALSE(ui::PanelVisible(p));
    EXPECT_EQ(ws().datapts, 500);
    EXPECT_EQ(ws().Magnitude.size(), 500u);
    EXPECT_DOUBLE_EQ(ws().bandwidth, 125.0);
    double x0, x1, y0, y1;
    ui::GetAxisRange(ws().GraphHandle, kGraph, x0, x1, y0, y1);
    EXPECT_EQ(x0, 0.0);
    EXPECT_EQ(x1, 125.0);
}

TEST_F(Shell, NationalInstrumentsLayoutReadsItsOwnEntries) {
    const int p = ws().SetResetHandle;
    ui::ChooseMenuItem(bar(), kMenuSetReset);
    ui::EnterCtrlVal(p, 9, 0);  // Tektronix off selects National Instruments
    EXPECT_EQ(ws().useni, 1);
    EXPECT_EQ(ws().usetek, 0);
    EXPECT_EQ(ui::GetCtrlInt(p, 8), 1);
    EXPECT_TRUE(ui::CtrlVisible(p, 2) && ui::CtrlVisible(p, 3));
    EXPECT_FALSE(ui::CtrlVisible(p, 4) || ui::CtrlVisible(p, 5));
    EXPECT_EQ(ws().SetFlag, 0);  // switching alone touches no profile

    ui::EnterCtrlVal(p, 3, 300.0);  // not snapped in this layout
    EXPECT_EQ(ui::GetCtrlVal(p, 3), 300.0);
    ui::EnterCtrlVal(p, 2, 2049);
    ui::EnterCtrlVal(p, 5, 1250.0);
    ui::PressButton(p, 7);
    EXPECT_EQ(ws().datapts, 1024);
    EXPECT_EQ(ws().bandwidth, 300.0);

    ui::EnterCtrlVal(p, 8, 0);  // and back
    EXPECT_EQ(ws().usetek, 1);
    EXPECT_EQ(ui::GetCtrlInt(p, 9), 1);
}

TEST_F(Shell, SecondSetResetClearsPlotsAndProfile) {
    ApplySetReset(2048, 1250.0);
    EXPECT_EQ(ui::GraphPlotCount(ws().GraphHandle, kGraph), 0);  // nothing drawn yet
    ws().Magnitude[3] = 1.0;
    MakeGraph(ws().Magnitude, kPlotProfile);
    MakeGraph(ws().Magnitude, kPlotOutput);
    EXPECT_EQ(ui::GraphPlotCount(ws().GraphHandle, kGraph), 2);

    ApplySetReset(4096, 625.0);
    EXPECT_EQ(ui::GraphPlotCount(ws().GraphHandle, kGraph), 0);
    EXPECT_EQ(ws().MagFlag, 0);
    EXPECT_EQ(ws().OutFlag, 0);
    EXPECT_EQ(ws().Magnitude, std::vector<double>(2048, 0.0));
}

TEST_F(Shell, MenuPhasesFollowSetResetAndSynthesis) {
    ApplySetReset(1024, 1250.0);
    for (int item : {9, 12, 13, 16, 17, 18})
        EXPECT_FALSE(ui::MenuItemDimmed(bar(), item)) << item;
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), kMenuStore));

    ui::ChooseMenuItem(bar(), kMenuNotch);
    EXPECT_TRUE(ui::PanelVisible(ws().NotchHandle));
    EnterMenuPhase(MenuPhase::Synthesised);
    // The profile panels close and their items dim, the Hadamard item too.
    EXPECT_FALSE(ui::PanelVisible(ws().NotchHandle));
    for (int item : {9, 10, 11, 12, 13})
        EXPECT_TRUE(ui::MenuItemDimmed(bar(), item)) << item;
    for (int item : {3, 16, 17, 18})
        EXPECT_FALSE(ui::MenuItemDimmed(bar(), item)) << item;

    ApplySetReset(1024, 1250.0);
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), kMenuStore));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), kMenuNotch));
}

TEST_F(Shell, PanelsKeepTheirEntriesBetweenShowings) {
    ApplySetReset(1024, 1250.0);
    const int p = ws().NotchHandle;
    ui::ChooseMenuItem(bar(), kMenuNotch);
    ui::SetCtrlVal(p, 5, 0.25);
    ui::HidePanel(p);
    ui::ChooseMenuItem(bar(), kMenuNotch);
    EXPECT_TRUE(ui::PanelVisible(p));
    EXPECT_EQ(ui::GetCtrlVal(p, 5), 0.25);
}

TEST_F(Shell, RefusedSetResetKeepsTheProfile) {
    ApplySetReset(1024, 1250.0);
    ws().Magnitude[5] = 1.0;
    const int p = ws().SetResetHandle;
    ui::ChooseMenuItem(bar(), kMenuSetReset);
    ui::EnterCtrlVal(p, 9, 0);
    ui::SetCtrlVal(p, 3, 0.0);  // below the entry's range: coerced to its minimum
    EXPECT_GT(ui::GetCtrlVal(p, 3), 0.0);
    // The core refuses what a panel's range would not stop.
    EXPECT_THROW(SetReset(ws(), 1, 100.0), Refusal);
    EXPECT_EQ(ws().Magnitude[5], 1.0);
    EXPECT_EQ(ws().datapts, 512);
}

TEST_F(Shell, ExitBeforeAnyProfileIsHarmless) {
    ui::ChooseMenuItem(bar(), kMenuExit);
    EXPECT_TRUE(ws().Magnitude.empty());
    EXPECT_TRUE(ws().Swift.empty());
}

TEST_F(Shell, ProfileCallbacksRefuseWithoutAProfile) {
    // The items are dimmed; a panel reached anyway refuses with a message.
    ui::PressButton(ws().NotchHandle, 4);
    EXPECT_NE(LastMessage().find("Set/Reset"), std::string::npos);
    EXPECT_TRUE(ws().Magnitude.empty());
}

TEST_F(Shell, CursorPositionsShowInTheStatusBar) {
    ApplySetReset(1024, 1000.0);
    ui::DragGraphCursor(ws().GraphHandle, kGraph, 1, 100.0);
    ui::DragGraphCursor(ws().GraphHandle, kGraph, 2, 350.5);
    EXPECT_EQ(ws().cursor1, 100.0);
    EXPECT_EQ(ws().cursor2, 350.5);
    const std::string status = ui::StatusText(ws().GraphHandle);
    EXPECT_NE(status.find("100.000 kHz"), std::string::npos) << status;
    EXPECT_NE(status.find("350.500 kHz"), std::string::npos) << status;
}

// A resource that binds an unknown callback, or lacks a panel, is refused
// with a message before anything is shown.
TEST_F(Shell, BrokenResourcesAreRefusedClearly) {
    const auto dir = std::filesystem::temp_directory_path() / "pelorin-uir-test";
    std::filesystem::create_directories(dir);
    const auto file = (dir / "broken.uir").string();
    std::ofstream(file) << "panel 4 \"Notch\"\n  button 4 \"Apply\" callback=NoSuchCallback\nend\n";
    try {
        ui::LoadPanel(0, file, 4);
        ADD_FAILURE() << "an unknown callback was accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("NoSuchCallback"), std::string::npos);
    }
    EXPECT_THROW(ui::LoadPanel(0, file, 7), ui::UiError);
    EXPECT_THROW(ui::LoadPanel(0, (dir / "missing.uir").string(), 4), ui::UiError);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pelorin::testing
