// The typical request end to end: Set/Reset, a band, synthesis with the
// waveform pop-up and the spectrum check, and the store command.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace menu = ids::Main;

namespace fs = std::filesystem;

class Synthesis : public GuiTest {
protected:
    TestDir dir;
};

TEST_F(Synthesis, TypicalRequestWritesTheFile) {
    ApplySetReset(2048, 1250.0);  // Tektronix: 1250 kHz is achievable (k = 10)
    Notch(200.0, 400.0, 1.0);
    Synthesise(1, 1, -1);

    EXPECT_EQ(ws().Swift.size(), 2048u);
    ASSERT_EQ(ws().Swift.size(), 2048u);
    ASSERT_EQ(popups->graphs.size(), 1u);
    EXPECT_EQ(popups->graphs[0].first, "Swift Waveform");
    EXPECT_EQ(popups->graphs[0].second, ws().Swift);
    // The check is drawn in blue over the profile, 2N points.
    EXPECT_EQ(screen().OutFlag, 1);
    EXPECT_EQ(ui::GraphPlotColour(screen().GraphHandle, ids::Main::kGraph, screen().OutPlot),
              ui::VAL_BLUE);
    EXPECT_EQ(ui::GraphPlotPoints(screen().GraphHandle, ids::Main::kGraph, screen().OutPlot),
              2048u);
    EXPECT_FALSE(ui::PanelVisible(screen().ProcessHandle));
    EXPECT_FALSE(ui::WaitCursorShown());
    for (int item : {menu::kMenuNotch, menu::kMenuSwim, menu::kMenuHadamard, menu::kMenuSmooth,
                     menu::kMenuSynthesis})
        EXPECT_TRUE(ui::MenuItemDimmed(bar(), item)) << item;
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuStore));

    // The name is typed without an extension; ".swf" is added.
    const fs::path file = dir / "band.swf";
    Store((dir / "band").string());
    EXPECT_FALSE(fs::exists(dir / "band"));
    ASSERT_EQ(popups->asked.size(), 1u);
    EXPECT_EQ(popups->asked[0].default_spec, "*.swf");
    EXPECT_EQ(popups->asked[0].button, ui::VAL_SAVE_BUTTON);
    const std::string bytes = ReadFile(file);
    const std::string header =
        "TAVIK SWIFT File\n\nData Points:2048\nBandwidth:1250000.000000\nData:\n";
    ASSERT_EQ(bytes.size(), header.size() + 2 * 2048);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    int top = 0, bottom = 4095;
    for (std::size_t i = 0; i < 2048; ++i) {
        const int code = static_cast<unsigned char>(bytes[header.size() + 2 * i]) |
                         static_cast<unsigned char>(bytes[header.size() + 2 * i + 1]) << 8;
        ASSERT_LE(code, 4095);
        const double s = ws().Swift[i];
        ASSERT_EQ(code, static_cast<int>(4095.0 * ((s + 1.0) / 2.0)));
        top = std::max(top, code);
        bottom = std::min(bottom, code);
    }
    EXPECT_TRUE(top == 4095 || bottom == 0) << top << " " << bottom;
    EXPECT_TRUE(popups->messages.empty());
}

TEST_F(Synthesis, CheckWithoutPopupAndNoDrawingWithNeither) {
    ApplySetReset(1024, 1250.0);
    Notch(100.0, 300.0, 1.0);
    Synthesise(0, 0, -1);
    EXPECT_TRUE(popups->graphs.empty());
    EXPECT_EQ(screen().OutFlag, 0);
    // The profile and what the ions feel, unless the view leaves that out.
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 2);
    EXPECT_EQ(screen().PlayedFlag, 1);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuPlayedOnce);
    EXPECT_EQ(ui::GraphPlotCount(screen().GraphHandle, ids::Main::kGraph), 1);
    EXPECT_EQ(ws().Swift.size(), 1024u);
}

TEST_F(Synthesis, ProfileWithoutPowerIsRefused) {
    ApplySetReset(1024, 1250.0);
    Synthesise(1, 1, -1);
    EXPECT_NE(LastMessage().find("no power"), std::string::npos) << LastMessage();
    EXPECT_TRUE(ws().Swift.empty());
    EXPECT_EQ(ws().Magnitude.size(), 512u);
    EXPECT_TRUE(popups->graphs.empty());
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), ids::Main::kMenuStore));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuNotch));  // still editable
}

TEST_F(Synthesis, StoreRefusesWithoutAWaveformAndReportsFailedWrites) {
    ApplySetReset(1024, 1250.0);
    SaveSwift_Callback(bar(), ids::Main::kMenuStore,
                       screen().GraphHandle);  // reached although dimmed
    EXPECT_NE(LastMessage().find("no waveform"), std::string::npos) << LastMessage();
    EXPECT_TRUE(popups->asked.empty());

    Notch(100.0, 300.0, 1.0);
    Synthesise(0, 0, -1);
    // Cancelling the pop-up writes nothing and says nothing.
    const std::size_t shown = popups->messages.size();
    ui::ChooseMenuItem(bar(), ids::Main::kMenuStore);
    EXPECT_EQ(popups->messages.size(), shown);

    const fs::path blocked = dir / "afile";
    std::ofstream(blocked) << "not a folder";
    Store((blocked / "x.swf").string());
    EXPECT_NE(LastMessage().find((blocked / "x.swf").string()), std::string::npos) << LastMessage();
    EXPECT_FALSE(ui::WaitCursorShown());
}

// The file depends only on the waveform and the bandwidth, not on the AWG
// layout it was designed in.
TEST_F(Synthesis, SameFileFromEitherLayout) {
    ApplySetReset(4096, 1250.0);
    Notch(300.0, 700.0, 1.0);
    Synthesise(0, 1, -1);
    Store((dir / "tek.swf").string());

    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
    ApplySetReset(4096, 1250.0);
    Notch(300.0, 700.0, 1.0);
    Synthesise(0, 1, -1);
    Store((dir / "ni.swf").string());
    EXPECT_EQ(ReadFile(dir / "tek.swf"), ReadFile(dir / "ni.swf"));
}

// The drawn spectrum check reproduces the profile at its even points, for
// every phase factor.
TEST_F(Synthesis, DrawnCheckReproducesTheProfile) {
    for (int factor : {0, 1, -2}) {
        ApplySetReset(2048, 1250.0);
        Notch(250.0, 500.0, 0.75);
        const std::vector<double> profile = ws().Magnitude;
        Synthesise(0, 1, factor);
        const auto drawn =
            ui::GraphPlotValues(screen().GraphHandle, ids::Main::kGraph, screen().OutPlot);
        ASSERT_EQ(drawn.size(), 2048u);
        for (std::size_t k = 0; k < profile.size(); ++k)
            ASSERT_NEAR(drawn[2 * k], profile[k], 1e-9) << "factor " << factor << " point " << k;
    }
}

}  // namespace
}  // namespace pelorin::testing
