// The SWIM and Hadamard panels: single profiles, numbered series, the
// frequency list and its row selector.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;

std::string Header(const fs::path& file) {
    const std::string text = ReadFile(file);
    return text.substr(0, text.find("Data:"));
}

class Series : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch,
                         1);          // unsnapped layout
        ApplySetReset(2048, 1000.0);  // N = 1024 over 0 … 1000 kHz
    }
    int swim() { return screen().SwimHandle; }
    int had() { return screen().HadamardHandle; }
    void SwimBand(double from, double to, int law, std::uint32_t nodes) {
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSwim);
        ui::SetCtrlVal(swim(), ids::Swim::kSource, 0);
        ui::SetCtrlVal(swim(), ids::Swim::kFrom, from);
        ui::SetCtrlVal(swim(), ids::Swim::kTo, to);
        ui::SetCtrlVal(swim(), ids::Swim::kBase, 0.0);
        ui::SetCtrlVal(swim(), ids::Swim::kPeak, 1.0);
        ui::SetCtrlVal(swim(), ids::Swim::kLaw, law);
        ui::SetCtrlVal(swim(), ids::Swim::kNodes, nodes);
    }
    void AddFrequency(float khz) {
        ui::SetCtrlVal(had(), ids::Hadamard::kFrequency, khz);
        ui::PressButton(had(), ids::Hadamard::kAdd);
    }
    std::vector<float> List() { return ListValues(had(), 2); }
    TestDir dir;
};

TEST_F(Series, SwimSingleProfileModulatesTheBand) {
    ws().Magnitude[50] = 0.25;
    SwimBand(200.0, 100.0, 1, 2);  // bounds in either order
    ui::PressButton(swim(), ids::Swim::kRun);
    EXPECT_FALSE(ui::PanelVisible(swim()));
    EXPECT_EQ(ws().Magnitude[50], 0.25);  // outside the band: untouched
    EXPECT_EQ(ws().Magnitude[101], 0.0);
    EXPECT_EQ(ws().Magnitude[102], 0.0);                // base at the start of the band
    EXPECT_NEAR(ws().Magnitude[102 + 51], 1.0, 1e-12);  // crest halfway for nodes 2
    EXPECT_EQ(ws().Magnitude[204], 0.0);
    EXPECT_EQ(screen().MagFlag, 1);
}

TEST_F(Series, SeriesSwitchRelabelsAndDims) {
    EXPECT_EQ(ui::CtrlLabel(swim(), ids::Swim::kNodes), "Nodes");
    EXPECT_TRUE(ui::CtrlDimmed(swim(), ids::Swim::kLastNodes));
    EXPECT_TRUE(ui::CtrlDimmed(swim(), ids::Swim::kSmoothMembers));
    ui::EnterCtrlVal(swim(), ids::Swim::kSeries, 1);
    EXPECT_EQ(ui::CtrlLabel(swim(), ids::Swim::kNodes), "Minimum nodes");
    EXPECT_FALSE(ui::CtrlDimmed(swim(), ids::Swim::kLastNodes));
    EXPECT_FALSE(ui::CtrlDimmed(swim(), ids::Swim::kSmoothMembers));
    ui::EnterCtrlVal(swim(), ids::Swim::kSeries, 0);
    EXPECT_EQ(ui::CtrlLabel(swim(), ids::Swim::kNodes), "Nodes");
    EXPECT_TRUE(ui::CtrlDimmed(swim(), ids::Swim::kLastNodes));
}

TEST_F(Series, SwimSeriesWritesOneFilePerNodesValue) {
    SwimBand(100.0, 300.0, 1, 3);
    ui::EnterCtrlVal(swim(), ids::Swim::kSeries, 1);
    ui::SetCtrlVal(swim(), ids::Swim::kLastNodes, 5);
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "run.SWF").string()});
    ui::PressButton(swim(), ids::Swim::kRun);
    ASSERT_EQ(popups->asked.size(), 1u);
    EXPECT_EQ(popups->asked[0].title, "Save Batch");
    for (const char* name : {"run_0003.SWF", "run_0004.SWF", "run_0005.SWF"})
        EXPECT_EQ(Header(dir / name),
                  "TAVIK SWIFT File\n\nData Points:2048\nBandwidth:1000000.000000\n")
            << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
    EXPECT_EQ(popups->progress.size(), 3u);
    EXPECT_NE(LastMessage().find("3 of 3"), std::string::npos) << LastMessage();
    // The graph shows the last member's profile, once, and no check.
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 1);
    EXPECT_EQ(screen().MagFlag, 1);
    EXPECT_EQ(screen().OutFlag, 0);
    EXPECT_TRUE(ProfileEditable(ws()));
}

TEST_F(Series, CancelledFilePopupAndCancelledSeries) {
    SwimBand(100.0, 300.0, 1, 1);
    ui::EnterCtrlVal(swim(), ids::Swim::kSeries, 1);
    ui::SetCtrlVal(swim(), ids::Swim::kLastNodes, 4);
    ui::PressButton(swim(), ids::Swim::kRun);  // no answer: the pop-up is cancelled
    EXPECT_EQ(popups->messages.back(),
              (std::pair<std::string, std::string>{"Error", "Must specify a file name."}));
    EXPECT_TRUE(ui::PanelVisible(swim()));  // left open for another try

    popups->cancel_after = 2;
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "run.swf").string()});
    ui::PressButton(swim(), ids::Swim::kRun);
    EXPECT_TRUE(fs::exists(dir / "run_0001.swf"));
    EXPECT_TRUE(fs::exists(dir / "run_0002.swf"));
    EXPECT_FALSE(fs::exists(dir / "run_0003.swf"));
    EXPECT_NE(LastMessage().find("ancel"), std::string::npos) << LastMessage();
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
}

TEST_F(Series, ListStaysSortedAndTheRowSelectorFollows) {
    ui::ChooseMenuItem(bar(), ids::Main::kMenuHadamard);
    for (float f : {5.0f, 2.0f, 9.0f, 2.0f})
        AddFrequency(f);
    EXPECT_EQ(List(), (std::vector<float>{2.0f, 5.0f, 9.0f}));
    EXPECT_EQ(ui::GetLabelFromIndex(had(), ids::Hadamard::kList, 0).size(), 15u);
    EXPECT_EQ(ui::CtrlMaximum(had(), ids::Hadamard::kRow), 3.0);
    AddFrequency(12.0f);
    EXPECT_EQ(ui::CtrlMaximum(had(), ids::Hadamard::kRow), 7.0);
    AddFrequency(15.0f);
    EXPECT_EQ(ui::CtrlMaximum(had(), ids::Hadamard::kRow), 7.0);

    ui::SetCtrlIndex(had(), ids::Hadamard::kList, 1);
    ui::PressButton(had(), ids::Hadamard::kDelete);
    EXPECT_EQ(List(), (std::vector<float>{2.0f, 9.0f, 12.0f, 15.0f}));

    ui::EnterCtrlVal(had(), ids::Hadamard::kBatch, 1);
    EXPECT_TRUE(ui::CtrlDimmed(had(), ids::Hadamard::kRow));
    ui::EnterCtrlVal(had(), ids::Hadamard::kBatch, 0);
    EXPECT_FALSE(ui::CtrlDimmed(had(), ids::Hadamard::kRow));
}

TEST_F(Series, PeakListMergesAndReports) {
    const fs::path pks = dir / "peaks.pks";
    std::ofstream(pks) << "There were 3 peaks\nh\nh\nh\nh\nh\n"
                          "1.0 2.0 3 150000\n1.0 2.0 3 75000\n";
    AddFrequency(100.0f);
    popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, pks.string()});
    ui::PressButton(had(), ids::Hadamard::kRead);
    EXPECT_EQ(popups->asked.back().default_spec, "*.pks");
    EXPECT_EQ(List(), (std::vector<float>{75.0f, 100.0f, 150.0f}));
    EXPECT_NE(LastMessage().find("2 frequencies read"), std::string::npos) << LastMessage();
    // A new file name (result 2) reads nothing.
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "none.pks").string()});
    const std::size_t shown = popups->messages.size();
    ui::PressButton(had(), ids::Hadamard::kRead);
    EXPECT_EQ(popups->messages.size(), shown);
}

TEST_F(Series, HadamardRowAndRangeCheck) {
    ui::ChooseMenuItem(bar(), ids::Main::kMenuHadamard);
    for (float f : {100.0f, 200.0f, 300.0f, 400.0f})
        AddFrequency(f);
    ui::SetCtrlVal(had(), ids::Hadamard::kWidth, 2000.0);
    ui::SetCtrlVal(had(), ids::Hadamard::kRow, 4);  // row 4 of H_8: the three lowest
    ui::PressButton(had(), ids::Hadamard::kBuild);
    EXPECT_FALSE(ui::PanelVisible(had()));
    EXPECT_EQ(ws().HadamardWidth, 2000.0);
    for (float f : {100.0f, 200.0f, 300.0f})
        EXPECT_EQ(ws().Magnitude[static_cast<int>(f / 1000.0 * 1024)], 100.0) << f;
    EXPECT_EQ(ws().Magnitude[static_cast<int>(400.0 / 1000.0 * 1024)], 0.0);

    AddFrequency(1000.5f);
    const auto before = ws().Magnitude;
    ui::PressButton(had(), ids::Hadamard::kBuild);
    EXPECT_EQ(popups->messages.back(), (std::pair<std::string, std::string>{
                                           "Warning", "Frequency out of frequency range!"}));
    EXPECT_EQ(ws().Magnitude, before);
    EXPECT_FALSE(ui::WaitCursorShown());
}

TEST_F(Series, HadamardBatchWritesSevenFiles) {
    for (float f : {100.0f, 200.0f, 300.0f, 400.0f})
        AddFrequency(f);
    ui::EnterCtrlVal(had(), ids::Hadamard::kBatch, 1);
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "scan.SWF").string()});
    ui::PressButton(had(), ids::Hadamard::kBuild);
    for (int r = 1; r <= 7; ++r) {
        char name[32];
        std::snprintf(name, sizeof name, "scan_%04d.SWF", r);
        EXPECT_EQ(Header(dir / name),
                  "TAVIK SWIFT File\n\nData Points:2048\nBandwidth:1000000.000000\n")
            << name;
    }
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
    EXPECT_EQ(popups->progress.size(), 7u);
}

TEST_F(Series, ProfilePanelsRefuseAfterSynthesis) {
    ws().Magnitude[10] = 1.0;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSynthesis);
    ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kPopup, 0);
    ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
    EXPECT_EQ(ws().Swift.size(), 2048u);
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuHadamard));
    // A panel reached anyway never indexes the profile with the waveform length.
    ui::PressButton(had(), ids::Hadamard::kBuild);
    ui::PressButton(swim(), ids::Swim::kRun);
    EXPECT_EQ(popups->messages.size(), 2u);
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
}

}  // namespace
}  // namespace pelorin::testing
