// Start-up, menus and Set/Reset driven as an operator would.
#include <filesystem>
#include <fstream>

#include "core/workspace/setreset.h"
#include "tests/support/gui_test.h"

namespace pelorin::testing {
namespace {

namespace menu = ids::Main;

using Shell = GuiTest;

TEST_F(Shell, StartUpShowsOnlyTheMainPanel) {
    EXPECT_TRUE(ui::PanelVisible(screen().GraphHandle));
    for (int p : {screen().NotchHandle, screen().ProcessHandle, screen().SmoothHandle,
                  screen().SetResetHandle, screen().SwimHandle, screen().HadamardHandle,
                  screen().CalibHandle})
        EXPECT_FALSE(ui::PanelVisible(p)) << p;
    EXPECT_EQ(screen().title_handle, 0);
    EXPECT_FALSE(HasProfile(ws()));
    EXPECT_TRUE(screen().usetek);
    // Phase 1: only Set/Reset and the file commands that need no profile.
    for (int item : {menu::kMenuStore, menu::kMenuNotch, menu::kMenuSwim, menu::kMenuHadamard,
                     menu::kMenuSmooth, menu::kMenuSynthesis, menu::kMenuZoomCursors,
                     menu::kMenuZoomPrevious, menu::kMenuZoomFull})
        EXPECT_TRUE(ui::MenuItemDimmed(bar(), item)) << item;
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuSetReset));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuExit));
}

TEST_F(Shell, TektronixLayoutSnapsAndApplies) {
    const int p = screen().SetResetHandle;
    EXPECT_TRUE(ui::CtrlVisible(p, ids::SetReset::kTekSamples) &&
                ui::CtrlVisible(p, ids::SetReset::kTekBandwidth));
    EXPECT_FALSE(ui::CtrlVisible(p, ids::SetReset::kNiSamples) ||
                 ui::CtrlVisible(p, ids::SetReset::kNiBandwidth));
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    EXPECT_TRUE(ui::PanelVisible(p));

    ui::EnterCtrlVal(p, ids::SetReset::kTekBandwidth, 300.0);
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, ids::SetReset::kTekBandwidth), 12500.0 / 41);
    EXPECT_NEAR(ui::CtrlIncrement(p, ids::SetReset::kTekBandwidth), 7.269, 1e-3);
    // One arrow press down lands on the next lower achievable bandwidth.
    ui::EnterCtrlVal(p, ids::SetReset::kTekBandwidth,
                     ui::GetCtrlVal(p, ids::SetReset::kTekBandwidth) -
                         ui::CtrlIncrement(p, ids::SetReset::kTekBandwidth));
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, ids::SetReset::kTekBandwidth), 12500.0 / 42);
    // Every snapped value reads back to the last bit, however it prints.
    for (int k : {7, 41, 1300, 99991}) {
        ui::EnterCtrlVal(p, ids::SetReset::kTekBandwidth, 12500.0 / k);
        EXPECT_EQ(ui::GetCtrlVal(p, ids::SetReset::kTekBandwidth), 1 / (2 * (1000 * (4e-08 * k))))
            << k;
    }
    ui::EnterCtrlVal(p, ids::SetReset::kTekBandwidth, 125.0);
    EXPECT_DOUBLE_EQ(ui::GetCtrlVal(p, ids::SetReset::kTekBandwidth), 125.0);

    ui::EnterCtrlVal(p, ids::SetReset::kTekSamples, 1001);
    ui::EnterCtrlVal(p, ids::SetReset::kNiSamples,
                     5000);  // the hidden layout's entries are not read
    ui::PressButton(p, ids::SetReset::kApply);
    EXPECT_FALSE(ui::PanelVisible(p));
    EXPECT_EQ(ws().Magnitude.size(), 500u);
    EXPECT_EQ(ws().Magnitude.size(), 500u);
    EXPECT_DOUBLE_EQ(ws().bandwidth, 125.0);
    double x0, x1, y0, y1;
    ui::GetAxisRange(screen().GraphHandle, ids::Main::kGraph, x0, x1, y0, y1);
    EXPECT_EQ(x0, 0.0);
    EXPECT_EQ(x1, 125.0);
}

TEST_F(Shell, NationalInstrumentsLayoutReadsItsOwnEntries) {
    const int p = screen().SetResetHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(p, ids::SetReset::kTekSwitch,
                     0);  // Tektronix off selects National Instruments
    EXPECT_FALSE(screen().usetek);
    EXPECT_EQ(ui::GetCtrlInt(p, ids::SetReset::kNiSwitch), 1);
    EXPECT_TRUE(ui::CtrlVisible(p, ids::SetReset::kNiSamples) &&
                ui::CtrlVisible(p, ids::SetReset::kNiBandwidth));
    EXPECT_FALSE(ui::CtrlVisible(p, ids::SetReset::kTekSamples) ||
                 ui::CtrlVisible(p, ids::SetReset::kTekBandwidth));
    EXPECT_FALSE(HasProfile(ws()));  // switching alone touches no profile

    ui::EnterCtrlVal(p, ids::SetReset::kNiBandwidth, 300.0);  // not snapped in this layout
    EXPECT_EQ(ui::GetCtrlVal(p, ids::SetReset::kNiBandwidth), 300.0);
    ui::EnterCtrlVal(p, ids::SetReset::kNiSamples, 2049);
    ui::EnterCtrlVal(p, ids::SetReset::kTekBandwidth, 1250.0);
    ui::PressButton(p, ids::SetReset::kApply);
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
    EXPECT_EQ(ws().bandwidth, 300.0);

    ui::EnterCtrlVal(p, ids::SetReset::kNiSwitch, 0);  // and back
    EXPECT_TRUE(screen().usetek);
    EXPECT_EQ(ui::GetCtrlInt(p, ids::SetReset::kTekSwitch), 1);
}

TEST_F(Shell, SecondSetResetClearsPlotsAndProfile) {
    ApplySetReset(2048, 1250.0);
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph),
              0);  // nothing drawn yet
    ws().Magnitude[3] = 1.0;
    MakeGraph(ws().Magnitude, kPlotProfile);
    MakeGraph(ws().Magnitude, kPlotOutput);
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 2);

    ApplySetReset(4096, 625.0);
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 0);
    EXPECT_EQ(screen().MagFlag, 0);
    EXPECT_EQ(screen().OutFlag, 0);
    EXPECT_EQ(ws().Magnitude, std::vector<double>(2048, 0.0));
}

TEST_F(Shell, MenuPhasesFollowSetResetAndSynthesis) {
    ApplySetReset(1024, 1250.0);
    for (int item : {menu::kMenuNotch, menu::kMenuSmooth, menu::kMenuSynthesis,
                     menu::kMenuZoomCursors, menu::kMenuZoomPrevious, menu::kMenuZoomFull})
        EXPECT_FALSE(ui::MenuItemDimmed(bar(), item)) << item;
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuStore));

    ui::ChooseMenuItem(bar(), ids::Main::kMenuNotch);
    EXPECT_TRUE(ui::PanelVisible(screen().NotchHandle));
    EnterMenuPhase(MenuPhase::Synthesised);
    // The profile panels close and their items dim, the Hadamard item too.
    EXPECT_FALSE(ui::PanelVisible(screen().NotchHandle));
    for (int item : {menu::kMenuNotch, menu::kMenuSwim, menu::kMenuHadamard, menu::kMenuSmooth,
                     menu::kMenuSynthesis})
        EXPECT_TRUE(ui::MenuItemDimmed(bar(), item)) << item;
    for (int item :
         {menu::kMenuStore, menu::kMenuZoomCursors, menu::kMenuZoomPrevious, menu::kMenuZoomFull})
        EXPECT_FALSE(ui::MenuItemDimmed(bar(), item)) << item;

    ApplySetReset(1024, 1250.0);
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuStore));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuNotch));
}

TEST_F(Shell, PanelsKeepTheirEntriesBetweenShowings) {
    ApplySetReset(1024, 1250.0);
    const int p = screen().NotchHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuNotch);
    ui::SetCtrlVal(p, ids::Notch::kLevel, 0.25);
    ui::HidePanel(p);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuNotch);
    EXPECT_TRUE(ui::PanelVisible(p));
    EXPECT_EQ(ui::GetCtrlVal(p, ids::Notch::kLevel), 0.25);
}

TEST_F(Shell, RefusedSetResetKeepsTheProfile) {
    ApplySetReset(1024, 1250.0);
    ws().Magnitude[5] = 1.0;
    const int p = screen().SetResetHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(p, ids::SetReset::kTekSwitch, 0);
    ui::SetCtrlVal(p, ids::SetReset::kNiBandwidth,
                   0.0);  // below the entry's range: coerced to its minimum
    EXPECT_GT(ui::GetCtrlVal(p, ids::SetReset::kNiBandwidth), 0.0);
    // The core refuses what a panel's range would not stop.
    EXPECT_THROW(SetReset(ws(), 1, 100.0), Refusal);
    EXPECT_EQ(ws().Magnitude[5], 1.0);
    EXPECT_EQ(ws().Magnitude.size(), 512u);
}

TEST_F(Shell, ExitBeforeAnyProfileIsHarmless) {
    ui::ChooseMenuItem(bar(), ids::Main::kMenuExit);
    EXPECT_TRUE(ws().Magnitude.empty());
    EXPECT_TRUE(ws().Swift.empty());
}

TEST_F(Shell, ProfileCallbacksRefuseWithoutAProfile) {
    // The items are dimmed; a panel reached anyway refuses with a message.
    ui::PressButton(screen().NotchHandle, ids::Notch::kApply);
    EXPECT_NE(LastMessage().find("Set/Reset"), std::string::npos);
    EXPECT_TRUE(ws().Magnitude.empty());
}

TEST_F(Shell, CursorPositionsShowInTheStatusBar) {
    ApplySetReset(1024, 1000.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 1, 100.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 2, 350.5);
    EXPECT_EQ(screen().cursor1, 100.0);
    EXPECT_EQ(screen().cursor2, 350.5);
    const std::string status = ui::StatusText(screen().GraphHandle);
    EXPECT_NE(status.find("100.000 kHz"), std::string::npos) << status;
    EXPECT_NE(status.find("350.500 kHz"), std::string::npos) << status;
}

// A resource that binds an unknown callback, or lacks a panel, is refused
// with a message before anything is shown.
TEST_F(Shell, BrokenResourcesAreRefusedClearly) {
    const auto dir = std::filesystem::temp_directory_path() / "pelorin-uir-test";
    std::filesystem::create_directories(dir);
    const auto file = (dir / "broken.uir").string();
    // The file's own panel, and a panel it lacks.
    constexpr int kBroken = 40, kAbsent = 41;
    std::ofstream(file)
        << "panel 40 \"Notch\"\n  button 4 \"Apply\" callback=NoSuchCallback\nend\n";
    try {
        ui::LoadPanel(0, file, kBroken);
        ADD_FAILURE() << "an unknown callback was accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("NoSuchCallback"), std::string::npos);
    }
    EXPECT_THROW(ui::LoadPanel(0, file, kAbsent), ui::UiError);
    EXPECT_THROW(ui::LoadPanel(0, (dir / "missing.uir").string(), kBroken), ui::UiError);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pelorin::testing
