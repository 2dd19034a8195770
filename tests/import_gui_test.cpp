// The import of .dat waveforms through the AWG panel and its pop-ups.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/float_bytes.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;

class Import : public GuiTest {
protected:
    fs::path Dat(const std::string& header, const std::vector<float>& samples) {
        const fs::path p = dir / "wave.dat";
        std::ofstream(p, std::ios::binary) << header << FloatBytes(samples);
        return p;
    }
    int OpenAwgPanel() {
        ui::ChooseMenuItem(bar(), ids::Main::kMenuImport);
        return screen().awg_handle;
    }
    TestDir dir;
};

TEST_F(Import, SwitchesBehaveAsAPair) {
    const int p = OpenAwgPanel();
    ASSERT_TRUE(ui::PanelVisible(p));
    EXPECT_EQ(OpenAwgPanel(), p);  // a second request shows the same panel
    ui::EnterCtrlVal(p, ids::Awg::kAwg1, 1);
    EXPECT_EQ(ws().Arb, 1);
    EXPECT_EQ(ui::GetCtrlInt(p, ids::Awg::kAwg2), 0);
    ui::EnterCtrlVal(p, ids::Awg::kAwg1, 0);  // turning AWG 1 off selects AWG 2
    EXPECT_EQ(ws().Arb, 2);
    EXPECT_EQ(ui::GetCtrlInt(p, ids::Awg::kAwg2), 1);
    ui::EnterCtrlVal(p, ids::Awg::kAwg2, 0);
    EXPECT_EQ(ws().Arb, 1);
    EXPECT_EQ(ui::GetCtrlInt(p, ids::Awg::kAwg1), 1);
}

TEST_F(Import, OkWaitsForAnAwgChoice) {
    const int p = OpenAwgPanel();
    EXPECT_TRUE(ui::CtrlDimmed(p, ids::Awg::kOk));
    ui::PressButton(p, ids::Awg::kOk);
    EXPECT_TRUE(ui::PanelExists(p));
    EXPECT_TRUE(popups->asked.empty());
    ui::EnterCtrlVal(p, ids::Awg::kAwg2, 1);
    EXPECT_FALSE(ui::CtrlDimmed(p, ids::Awg::kOk));
}

TEST_F(Import, ClosingThePanelEndsTheImport) {
    const int p = OpenAwgPanel();
    ui::ClosePanel(p);
    EXPECT_EQ(popups->messages.back(),
              (std::pair<std::string, std::string>{"Make SWIFT Terminated",
                                                   "SWIFT creation terminated by user"}));
    EXPECT_FALSE(ui::PanelExists(p));
    EXPECT_TRUE(popups->asked.empty());
}

TEST_F(Import, ImportsSnapsChecksAndStores) {
    ApplySetReset(1024, 1250.0);
    Notch(100.0, 200.0, 1.0);
    const fs::path dat =
        Dat("Data Points: 4\r\nBandwidth: 300000\r\nData:\r\n", {1.5f, -2.0f, 0.5f, 0.0f});
    const fs::path swf = dir / "out.swf";
    popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, dat.string()});
    // A name typed without an extension gets ".swf".
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "out").string()});
    const int p = OpenAwgPanel();
    ui::EnterCtrlVal(p, ids::Awg::kAwg2, 1);  // AWG 2
    ui::PressButton(p, ids::Awg::kOk);
    EXPECT_FALSE(ui::PanelExists(p));
    ASSERT_EQ(popups->asked.size(), 2u);
    EXPECT_EQ(popups->asked[0].title, "Please Slecet Dat File for Processing");
    EXPECT_EQ(popups->asked[1].title, "Selct File Name to Store swf File");
    ASSERT_EQ(popups->graphs.size(), 1u);
    EXPECT_EQ(popups->graphs[0].first, "Check Data");
    EXPECT_EQ(ws().Swift, (std::vector<double>{0.75, -1.0, 0.25, 0.0}));
    EXPECT_EQ(ws().Swift.size(), 4u);
    EXPECT_EQ(ws().bandwidth, 300.0);
    std::ifstream in(swf, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    // Codes 3583, 0, 2559 and 2047, low byte first.
    const std::string header =
        "TAVIK SWIFT File\n\nData Points:4\nBandwidth:300000.000000\nData:\n";
    EXPECT_EQ(bytes, header + std::string("\xff\x0d\x00\x00\xff\x09\xff\x07", 8));
    // The profile no longer describes the waveform: its panels are closed to it, and
    // the graph no longer shows it against the imported bandwidth.
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuNotch));
    EXPECT_FALSE(ProfileEditable(ws()));
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 0);
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    ui::GetAxisRange(screen().GraphHandle, ids::Main::kGraph, xmin, xmax, ymin, ymax);
    EXPECT_EQ(xmax, 300.0);
}

TEST_F(Import, RefusedFileLeavesTheWorkspaceAlone) {
    ApplySetReset(1024, 1250.0);
    const fs::path dat = Dat("Data Points: 10\nBandwidth: 300000\nData:\n", {0.5f, 1.0f});
    popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, dat.string()});
    const int p = OpenAwgPanel();
    ui::EnterCtrlVal(p, ids::Awg::kAwg1, 1);
    ui::PressButton(p, ids::Awg::kOk);
    EXPECT_NE(LastMessage().find("holds 2 samples"), std::string::npos) << LastMessage();
    EXPECT_EQ(ws().Magnitude.size(), 512u);
    EXPECT_EQ(ws().bandwidth, 1250.0);
    EXPECT_TRUE(ws().Swift.empty());
    EXPECT_TRUE(ProfileEditable(ws()));
    EXPECT_EQ(popups->asked.size(), 1u);  // no save pop-up
}

TEST_F(Import, CancelledOpenChangesNothing) {
    ApplySetReset(1024, 1250.0);
    const int p = OpenAwgPanel();
    ui::EnterCtrlVal(p, ids::Awg::kAwg2, 1);
    ui::PressButton(p, ids::Awg::kOk);
    EXPECT_EQ(ws().bandwidth, 1250.0);
    EXPECT_TRUE(popups->messages.empty());
}

}  // namespace
}  // namespace pelorin::testing
