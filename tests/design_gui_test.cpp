// Designs as files from the window: a design saved from the panels and run by
// pelorin-cli writes the same bytes, and opened in a fresh window gives the
// same profile; undo and redo give back each profile; an opened .swf shows its
// spectrum and figures; the plot and its data are exported.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/display/figures.h"
#include "core/display/played_once.h"
#include "core/edit/freqlist.h"
#include "core/files/swf.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;
namespace menu = ids::Main;

class Designs : public GuiTest {
protected:
    // Answers the next file pop-up with dir / name.
    std::string Answer(const std::string& name, int result = ui::VAL_NEW_FILE_SELECTED) {
        const std::string path = (dir / name).string();
        popups->files.push_back({result, path});
        return path;
    }
    void AddFrequency(double khz) {
        const int had = screen().HadamardHandle;
        ui::EnterCtrlVal(had, ids::Hadamard::kFrequency, khz);
        ui::PressButton(had, ids::Hadamard::kAdd);
    }
    void Restart() {
        ui::ResetPlatform();
        ResetSession();
        RegisterCallbacks();
        StartUp(0.0);
    }
    TestDir dir;
};

// Every kind of step through the panels, one edit undone on the way; the
// design saved and run by the built pelorin-cli stores the same bytes.
TEST_F(Designs, SavedDesignRunByTheCommandLineWritesTheSameBytes) {
    AddFrequency(180.0);  // before the Set/Reset: the design starts with the list
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kTekBandwidth, 1250.0);
    ApplySetReset(8192, 1250.0);
    const int calib = screen().CalibHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuCalibration);
    ui::EnterCtrlVal(calib, ids::Calib::kTesla, 9.4);
    ui::PressButton(calib, ids::Calib::kApply);
    ui::ChooseMenuItem(bar(), menu::kMenuAxisMz);
    Notch(300, 2000, 1.0);  // m/z
    ui::ChooseMenuItem(bar(), menu::kMenuAxisKhz);
    Notch(500, 520, 0.0);
    ui::DragGraphCursor(screen().GraphHandle, menu::kGraph, 1, 610.25);
    ui::DragGraphCursor(screen().GraphHandle, menu::kGraph, 2, 640.5);
    Notch(0, 0, 0.25, 1);
    const int smooth = screen().SmoothHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSmooth);
    ui::SetCtrlVal(smooth, ids::Smooth::kWidth, 5);
    ui::PressButton(smooth, ids::Smooth::kApply);
    const int swim = screen().SwimHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSwim);
    ui::SetCtrlVal(swim, ids::Swim::kFrom, 700.0);
    ui::SetCtrlVal(swim, ids::Swim::kTo, 800.0);
    ui::PressButton(swim, ids::Swim::kRun);
    ui::ChooseMenuItem(bar(), menu::kMenuHadamard);
    for (double f : {320.125, 475.5, 902.25})
        AddFrequency(f);
    const int had = screen().HadamardHandle;
    ui::SetCtrlIndex(had, ids::Hadamard::kList, 1);
    ui::PressButton(had, ids::Hadamard::kDelete);
    ui::SetCtrlVal(had, ids::Hadamard::kRow, 2);
    ui::PressButton(had, ids::Hadamard::kBuild);
    Notch(1000, 1100, 1.0);
    EXPECT_EQ(ui::MenuItemLabel(bar(), menu::kMenuUndo), "&Undo band 1000–1100 kHz");
    ui::ChooseMenuItem(bar(), menu::kMenuUndo);
    Synthesise(0, 1, -1);
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), menu::kMenuUndo));
    const std::string gui = Answer("gui.swf");
    ui::ChooseMenuItem(bar(), menu::kMenuStore);
    const std::string design = Answer("design");  // the .recipe is added
    ui::ChooseMenuItem(bar(), menu::kMenuSaveDesign);
    ASSERT_TRUE(popups->messages.empty()) << LastMessage();

    const std::string text = ReadFile(dir / "design.recipe");
    EXPECT_EQ(text.find("1100"), std::string::npos) << text;  // the edit undone
    EXPECT_NE(text.find("notch from-mz=300 to-mz=2000 level=1"), std::string::npos) << text;
    const std::string stored = ReadFile(gui);
    fs::remove(gui);
    const std::string command = std::string("\"") + PELORIN_CLI + "\" \"" + design + ".recipe\"";
    const int status =
        std::system((command + " > \"" + (dir / "out.txt").string() + "\" 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(dir / "out.txt");
    EXPECT_EQ(ReadFile(gui), stored);
    EXPECT_EQ(stored.size(), std::string("TAVIK SWIFT File\n\nData Points:8192\n"
                                         "Bandwidth:1250000.000000\nData:\n")
                                     .size() +
                                 2 * 8192);
}

// A design opened in a fresh window replays to the same profile and list;
// a malformed one is refused with its line and changes nothing; a series in
// it is not rerun; Recent designs reopens it.
TEST_F(Designs, OpenedDesignGivesTheSameProfile) {
    ApplySetReset(4096, 1000.0);
    Notch(100, 400, 1.0);
    Notch(200, 210, 0.0);
    AddFrequency(150.5);
    const std::vector<double> profile = ws().Magnitude;
    const std::string path = Answer("kept.recipe");
    ui::ChooseMenuItem(bar(), menu::kMenuSaveDesign);

    Restart();
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), menu::kMenuSaveDesign));
    Answer("kept.recipe", ui::VAL_EXISTING_FILE_SELECTED);
    ui::ChooseMenuItem(bar(), menu::kMenuOpenDesign);
    ASSERT_TRUE(popups->messages.empty()) << LastMessage();
    EXPECT_EQ(ws().Magnitude, profile);
    EXPECT_EQ(ui::GetNumListItems(screen().HadamardHandle, ids::Hadamard::kList), 1);
    EXPECT_EQ(ws().phase, MenuPhase::Editable);
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), menu::kMenuNotch));
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), menu::kMenuSaveDesign));
    EXPECT_EQ(ui::MenuItemChoices(bar(), menu::kMenuRecentDesigns), std::vector<std::string>{path});

    // Refused: a misspelt step on line 3 and a run-time refusal on line 2.
    std::ofstream(dir / "bad.recipe")
        << "reset samples=64 bandwidth=100\nnotch from=1 to=2 level=1\nnoch\n";
    std::ofstream(dir / "late.recipe") << "reset samples=64 bandwidth=100\nsmooth width=2\n";
    for (const char* name : {"bad.recipe", "late.recipe"}) {
        Answer(name, ui::VAL_EXISTING_FILE_SELECTED);
        ui::ChooseMenuItem(bar(), menu::kMenuOpenDesign);
        EXPECT_NE(LastMessage().find(std::string(name) + ", line " + (name[0] == 'b' ? "3" : "2")),
                  std::string::npos)
            << LastMessage();
        EXPECT_EQ(ws().Magnitude, profile);
    }
    // A series is left for the operator to run.
    std::ofstream(dir / "series.recipe")
        << "reset samples=64 bandwidth=100\nnotch from=10 to=20 level=1\n"
           "swim law=1 nodes=1 last=3 base=0 peak=1 from=10 to=40 file=s.swf\nsmooth width=3\n";
    Answer("series.recipe", ui::VAL_EXISTING_FILE_SELECTED);
    ui::ChooseMenuItem(bar(), menu::kMenuOpenDesign);
    EXPECT_NE(LastMessage().find("Line 3"), std::string::npos) << LastMessage();
    EXPECT_NE(LastMessage().find("the 1 step after it were not run"), std::string::npos);
    EXPECT_EQ(ws().Magnitude.size(), 32u);
    EXPECT_FALSE(fs::exists(dir / "s_0001.swf"));

    ui::ChooseMenuItemChoice(bar(), menu::kMenuRecentDesigns, 1);  // kept.recipe, second now
    EXPECT_EQ(ws().Magnitude, profile);
}

// Undo and redo over mixed edits give back the exact profile at each step,
// and the record follows them.
TEST_F(Designs, UndoRedoGiveBackEachProfile) {
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
    ApplySetReset(8192, 1000.0);
    std::vector<std::vector<double>> states = {ws().Magnitude};
    std::vector<std::size_t> lines = {design().Recipe().size()};
    const auto done = [&] {
        states.push_back(ws().Magnitude);
        lines.push_back(design().Recipe().size());
    };
    Notch(200, 400, 1.0);
    done();
    EXPECT_EQ(ui::MenuItemLabel(bar(), menu::kMenuUndo), "&Undo band 200–400 kHz");
    const int smooth = screen().SmoothHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSmooth);
    ui::SetCtrlVal(smooth, ids::Smooth::kWidth, 9);
    ui::PressButton(smooth, ids::Smooth::kApply);
    done();
    AddFrequency(300.0);  // a step of its own, undone in its turn
    done();
    const int swim = screen().SwimHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSwim);
    ui::SetCtrlVal(swim, ids::Swim::kFrom, 250.0);
    ui::SetCtrlVal(swim, ids::Swim::kTo, 350.0);
    ui::PressButton(swim, ids::Swim::kRun);
    done();
    Notch(290, 310, 0.0);
    done();
    EXPECT_EQ(ui::MenuItemLabel(bar(), menu::kMenuUndo), "&Undo notch 290–310 kHz");
    for (std::size_t k = states.size() - 1; k > 0; --k) {
        ui::ChooseMenuItem(bar(), menu::kMenuUndo);
        ASSERT_EQ(ws().Magnitude, states[k - 1]) << k;
        EXPECT_EQ(design().Recipe().size(), lines[k - 1]) << k;
        EXPECT_EQ(ws().frequencies.size(), k > 3 ? 1u : 0u) << k;
    }
    EXPECT_TRUE(ui::MenuItemDimmed(bar(), menu::kMenuUndo));
    EXPECT_EQ(ui::MenuItemLabel(bar(), menu::kMenuRedo), "&Redo band 200–400 kHz");
    for (std::size_t k = 1; k < states.size(); ++k) {
        ui::ChooseMenuItem(bar(), menu::kMenuRedo);
        ASSERT_EQ(ws().Magnitude, states[k]) << k;
    }
    EXPECT_EQ(design().Recipe().back(), "notch from=290 to=310 level=0");
}

// An opened .swf shows its spectrum and the figures of its codes, stores
// back to the same bytes, and a malformed one changes nothing. The plot and
// the data export; the frequency list saves as a peak list.
TEST_F(Designs, OpenWaveformFiguresAndExports) {
    ApplySetReset(4096, 1250.0);
    Notch(200, 400, 1.0);
    Synthesise(0, 1, -1);
    EXPECT_NE(ui::StatusMessage(screen().GraphHandle).find("Crest"), std::string::npos);
    const std::string made = Answer("made.swf");
    ui::ChooseMenuItem(bar(), menu::kMenuStore);

    Answer("made.swf", ui::VAL_EXISTING_FILE_SELECTED);
    ui::ChooseMenuItem(bar(), menu::kMenuOpenWaveform);
    ASSERT_TRUE(popups->messages.empty()) << LastMessage();
    const SwfWaveform file = ReadSwfFile(made);
    const PlayedOnceFigures played = PlayedOnceOfCodes(file.codes, file.bandwidth);
    const std::string figures = FiguresForEye(FiguresOfCodes(file.codes, file.bandwidth), &played);
    EXPECT_EQ(popups->graph_captions.back(), figures);
    EXPECT_EQ(ui::FiguresPaneText(screen().GraphHandle), figures);
    EXPECT_EQ(popups->graphs.back().first, "made.swf");
    const Screen& s = screen();
    EXPECT_EQ(s.OutFlag, 1);
    EXPECT_EQ(ui::GraphPlotPoints(s.GraphHandle, menu::kGraph, s.OutPlot), 2048u);
    EXPECT_EQ(s.MagFlag, 0);
    // A file named at start (a desktop's "open with") opens by its content.
    fs::copy_file(made, dir / "named.recipe");
    OpenAtStart((dir / "named.recipe").string());
    EXPECT_EQ(popups->graphs.back().first, "named.recipe");
    const std::string again = Answer("again.swf");
    ui::ChooseMenuItem(bar(), menu::kMenuStore);
    EXPECT_EQ(ReadFile(again), ReadFile(made));

    std::ofstream(dir / "bad.swf") << "TAVIK SWIFT File\n\nData Points:9\nBandwidth:1.0\nData:\n";
    Answer("bad.swf", ui::VAL_EXISTING_FILE_SELECTED);
    ui::ChooseMenuItem(bar(), menu::kMenuOpenWaveform);
    EXPECT_NE(LastMessage().find("cut short"), std::string::npos) << LastMessage();
    EXPECT_EQ(ws().Swift.size(), 4096u);

    for (const char* name : {"plot.png", "plot.pdf"}) {
        Answer(name);
        ui::ChooseMenuItem(bar(), menu::kMenuExportPlot);
        EXPECT_GT(fs::file_size(dir / name), 1000u) << name;
    }
    Answer("spectrum.csv");
    ui::ChooseMenuItemChoice(bar(), menu::kMenuExportData, 1);
    Answer("wave.csv");
    ui::ChooseMenuItemChoice(bar(), menu::kMenuExportData, 2);
    EXPECT_EQ(ReadFile(dir / "spectrum.csv").rfind("frequency_kHz,magnitude\n0,", 0), 0u);
    std::ifstream wave(dir / "wave.csv");
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(wave), {}, '\n'), 4097);
    ui::ChooseMenuItemChoice(bar(), menu::kMenuExportData, 0);  // no profile after an open
    EXPECT_NE(LastMessage().find("replaced the profile"), std::string::npos) << LastMessage();

    for (double f : {475.5, 12.125, 902.25})
        AddFrequency(f);
    const std::string pks = Answer("list");
    ui::PressButton(screen().HadamardHandle, ids::Hadamard::kSave);
    EXPECT_EQ(ReadPeakList(pks + ".pks").frequencies_khz,
              ListValues(screen().HadamardHandle, ids::Hadamard::kList));
}

// The optimised phase from the synthesis panel: its iterations offered, the
// work shown, the waveform the core's, a lower crest factor in the figures,
// and the choice in the design and in a series' line.
TEST_F(Designs, OptimisedPhaseFromThePanel) {
    ApplySetReset(4096, 1250.0);
    Notch(200, 400, 1.0);
    const int process = screen().ProcessHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSynthesis);
    EXPECT_TRUE(ui::CtrlDimmed(process, ids::Process::kIterations));
    ui::EnterCtrlVal(process, ids::Process::kPhase, 1);
    EXPECT_FALSE(ui::CtrlDimmed(process, ids::Process::kIterations));
    ui::SetCtrlVal(process, ids::Process::kIterations, 60);
    ui::SetCtrlVal(process, ids::Process::kPopup, 1);
    ui::PressButton(process, ids::Process::kSynthesise);
    ASSERT_TRUE(popups->messages.empty()) << LastMessage();
    EXPECT_FALSE(popups->progress.empty());
    EXPECT_NE(popups->graph_captions.back().find("Crest 1.4"), std::string::npos)
        << popups->graph_captions.back();
    EXPECT_EQ(design().Recipe().back(), "swift factor=-1 phase=optimised iterations=60");

    Workspace core;
    SetReset(core, 4096, 1250.0);
    core.cursor1 = 200.0, core.cursor2 = 400.0;
    ApplyNotch(core, 1.0);
    core.synthesis = {PhaseLaw::Optimised, 60};
    pelorin::Synthesise(core, -1, nullptr);
    EXPECT_EQ(ws().Swift, core.Swift);

    // A series takes the panel's choice.
    ApplySetReset(1024, 1250.0);
    const int swim = screen().SwimHandle;
    ui::ChooseMenuItem(bar(), menu::kMenuSwim);
    ui::SetCtrlVal(swim, ids::Swim::kFrom, 200.0);
    ui::SetCtrlVal(swim, ids::Swim::kTo, 400.0);
    ui::EnterCtrlVal(swim, ids::Swim::kSeries, 1);
    ui::SetCtrlVal(swim, ids::Swim::kNodes, 1);
    ui::SetCtrlVal(swim, ids::Swim::kLastNodes, 1);
    Answer("member.swf");
    ui::PressButton(swim, ids::Swim::kRun);
    EXPECT_NE(design().Recipe().back().find("phase=optimised iterations=60"), std::string::npos)
        << design().Recipe().back();
}

}  // namespace
}  // namespace pelorin::testing
