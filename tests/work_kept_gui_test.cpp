// The window never loses work and never traps the operator: the real Cancel
// of a long work's dialog, the real Save / Discard / Cancel question before
// each action that would lose work, and entries refused where they are typed.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/files/swf.h"
#include "gui/platform/platform.h"
#include "tests/support/float_bytes.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;

class WorkKept : public GuiTest {
protected:
    // A synthesised waveform, not stored, and design edits, not saved.
    void UnsavedWork() {
        ApplySetReset(1024, 1000.0);
        Notch(100, 300, 1.0);
        Synthesise(0, 0, -1);
        ASSERT_TRUE(screen().unsaved);
        ASSERT_TRUE(DesignEdited());
    }
    QMainWindow* Main() { return qobject_cast<QMainWindow*>(MainGraph()->window()); }
    TestDir dir;
};

// Presses the given button of the progress dialog on screen, noting whether
// the dialog could take it, belongs to the main window, and what the menus
// offered meanwhile.
struct DialogSeen {
    bool shown = false, enabled = false, owned = false, zoom = false, store = true;
};

void PressProgress(DialogSeen& seen, int bar, QWidget* main,
                   const std::function<void(QProgressDialog*)>& press) {
    auto* d = qobject_cast<QProgressDialog*>(ShownDialog("QProgressDialog"));
    if (!d)
        return;
    seen.shown = true;
    seen.enabled = d->isEnabled();
    seen.owned = d->parentWidget() == main;
    seen.zoom = !ui::MenuItemDimmed(bar, ids::Main::kMenuZoomFull);
    seen.store = !ui::MenuItemDimmed(bar, ids::Main::kMenuStore);
    // The view stays the operator's while the work runs.
    ui::ChooseMenuItem(bar, ids::Main::kMenuDecibels);
    press(d);
}

// The optimised phase asked for 100000 iterations, stopped by the real
// dialog's Cancel button, its Escape key and its close box: each time within
// moments, keeping the best waveform so far.
TEST_F(WorkKept, TheOptimisedPhaseStopsAtTheRealCancel) {
    popups->real_progress = true;
    const std::function<void(QProgressDialog*)> presses[] = {
        [](QProgressDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton); },
        [](QProgressDialog* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](QProgressDialog* d) { d->close(); },
    };
    for (const auto& press : presses) {
        ApplySetReset(8192, 1250.0);
        Notch(200, 400, 1.0);
        const int process = screen().ProcessHandle;
        ui::ChooseMenuItem(bar(), ids::Main::kMenuSynthesis);
        ui::EnterCtrlVal(process, ids::Process::kPhase, 1);
        ui::SetCtrlVal(process, ids::Process::kIterations, 100000);
        ui::SetCtrlVal(process, ids::Process::kPopup, 0);
        DialogSeen seen;
        Later(400, [&] { PressProgress(seen, bar(), Main(), press); });
        QElapsedTimer t;
        t.start();
        ui::PressButton(process, ids::Process::kSynthesise);
        EXPECT_LT(t.elapsed(), 20000);  // all iterations take minutes
        EXPECT_TRUE(seen.shown);
        EXPECT_TRUE(seen.enabled);
        EXPECT_TRUE(seen.owned);
        EXPECT_TRUE(seen.zoom);
        EXPECT_FALSE(seen.store);
        EXPECT_EQ(ws().phase, MenuPhase::Synthesised);
        EXPECT_EQ(ws().Swift.size(), 8192u);
        EXPECT_EQ(ShownDialog("QProgressDialog"), nullptr);
    }
}

// A plain synthesis of a long record shows the same dialog; Cancel leaves the
// profile as it was and makes no waveform.
TEST_F(WorkKept, ALongPlainSynthesisCancels) {
    popups->real_progress = true;
    ApplySetReset(1 << 23, 1250.0);
    Notch(200, 400, 1.0);
    const std::vector<double> profile = ws().Magnitude;
    DialogSeen seen;
    Later(0, [&] {
        PressProgress(seen, bar(), Main(), [](QProgressDialog* d) {
            QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton);
        });
    });
    Synthesise(0, 1, -1);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(ws().phase, MenuPhase::Editable);
    EXPECT_EQ(ws().Magnitude, profile);
    EXPECT_TRUE(ws().Swift.empty());
    EXPECT_FALSE(screen().unsaved);
    EXPECT_NE(ui::StatusMessage(screen().GraphHandle).find("cancelled"), std::string::npos);
    EXPECT_TRUE(popups->messages.empty()) << LastMessage();
}

// A quit asked for leaves Qt refusing to run another dialog until the
// application's own loop has run: it runs here, at once ending.
void ForgetQuit() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// Clicks the button of the question on screen once it shows.
void Answer(QMessageBox::StandardButton button) {
    Later(50, [button] {
        if (auto* box = qobject_cast<QMessageBox*>(ShownDialog("QMessageBox")))
            QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

// Each action that would lose work asks, with the real buttons: Cancel
// changes nothing, Discard goes on without writing, Save writes the waveform
// and the design first (asking where) and goes on.
TEST_F(WorkKept, EveryQuestionDoesWhatItsButtonSays) {
    popups->real_questions = true;
    const fs::path design = dir / "other.recipe";
    std::ofstream(design)
        << "reset layout=ni samples=64 bandwidth=100\nnotch from=10 to=20 level=1\n";
    const fs::path wave = dir / "other.swf";
    StoreSwift(wave.string(), 8, 100.0, std::vector<double>{0, 0.5, 1, 0.5, 0, -0.5, -1, -0.5});
    const fs::path dat = dir / "other.dat";
    std::ofstream(dat, std::ios::binary) << "Data Points: 4\nBandwidth: 300000\nData:\n"
                                         << FloatBytes({0.f, 1.f, 0.f, -1.f});

    struct Action {
        const char* name;
        std::function<void()> start;  // what the operator asks for
        std::function<bool()> done;   // whether it went on
    };
    const Action actions[] = {
        {"Set/Reset", [&] { ApplySetReset(64, 100.0); },
         [&] { return ws().Magnitude.size() == 32; }},
        {"Open design",
         [&] {
             popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, design.string()});
             ui::ChooseMenuItem(bar(), ids::Main::kMenuOpenDesign);
         },
         [&] { return ws().Magnitude.size() == 32; }},
        {"Open waveform",
         [&] {
             popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, wave.string()});
             ui::ChooseMenuItem(bar(), ids::Main::kMenuOpenWaveform);
         },
         [&] { return ws().Swift.size() == 8u; }},
        {"Import",
         [&] {
             ui::ChooseMenuItem(bar(), ids::Main::kMenuImport);
             const int awg = screen().awg_handle;
             ui::EnterCtrlVal(awg, ids::Awg::kAwg1, 1);
             popups->files.push_back({ui::VAL_EXISTING_FILE_SELECTED, dat.string()});
             ui::PressButton(awg, ids::Awg::kOk);
         },
         [&] { return ws().Swift.size() == 4u; }},
        {"Quit", [&] { ui::ChooseMenuItem(bar(), ids::Main::kMenuExit); },
         [&] { return ui::QuitRequested(); }},
    };
    int run = 0;
    for (const Action& a : actions) {
        for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard, QMessageBox::Save}) {
            ++run;
            ForgetQuit();
            SCOPED_TRACE(std::string(a.name) + ", button " + std::to_string(button));
            TearDown();
            SetUp();
            popups->real_questions = true;
            UnsavedWork();
            const std::vector<double> waveform = ws().Swift;
            const fs::path stored = dir / ("kept" + std::to_string(run) + ".swf");
            const fs::path saved = dir / ("kept" + std::to_string(run) + ".recipe");
            popups->files.clear();
            if (button == QMessageBox::Save) {
                popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, stored.string()});
                popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, saved.string()});
            }
            Answer(button);
            a.start();
            ASSERT_EQ(popups->save_questions.size(), 1u);
            EXPECT_NE(popups->save_questions[0].find("not been stored"), std::string::npos);
            EXPECT_NE(popups->save_questions[0].find("not saved"), std::string::npos);
            if (button == QMessageBox::Cancel) {
                EXPECT_FALSE(a.done());
                EXPECT_EQ(ws().Swift, waveform);
                EXPECT_TRUE(screen().unsaved);
                EXPECT_TRUE(popups->asked.empty());  // not even a file dialog
                continue;
            }
            EXPECT_TRUE(a.done()) << LastMessage();
            EXPECT_EQ(fs::exists(stored), button == QMessageBox::Save);
            EXPECT_EQ(fs::exists(saved), button == QMessageBox::Save);
            if (button == QMessageBox::Save) {
                EXPECT_EQ(ReadSwfFile(stored.string()).codes.size(), waveform.size());
            }
        }
    }
}

// Typed with the keyboard and entered: an emptied field and a number beyond
// the entry's limit are refused with the range, the panel kept open and the
// entry selected; an odd sample count shows the even count it becomes.
TEST_F(WorkKept, EntriesAreCheckedWhereTheyAreTyped) {
    ApplySetReset(1024, 1000.0);
    const int sr = screen().SetResetHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(sr, ids::SetReset::kNiSwitch, 1);
    const auto type = [&](int control, const char* text) {
        auto* spin =
            qobject_cast<QAbstractSpinBox*>(ui::detail::ControlOf(sr, control).widget.data());
        QApplication::setActiveWindow(spin->window());
        spin->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(spin, Qt::Key_Delete);
        QTest::keyClicks(spin, text);
        QTest::keyClick(spin, Qt::Key_Return);
        return spin;
    };
    QAbstractSpinBox* samples = type(ids::SetReset::kNiSamples, "");
    EXPECT_NE(
        LastMessage().find("\"Waveform samples\" is empty: enter a number from 2 to 67108864"),
        std::string::npos)
        << LastMessage();
    EXPECT_TRUE(ui::PanelVisible(sr));
    EXPECT_EQ(QApplication::focusWidget(), samples);
    EXPECT_EQ(ws().Magnitude.size(), 512u);  // nothing reset

    type(ids::SetReset::kNiSamples, "4096");
    popups->messages.clear();
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    QAbstractSpinBox* bandwidth = type(ids::SetReset::kNiBandwidth, "999999999");
    EXPECT_NE(LastMessage().find("999999999 lies outside its range, from 0.001 to 1000000"),
              std::string::npos)
        << LastMessage();
    EXPECT_EQ(QApplication::focusWidget(), bandwidth);
    EXPECT_EQ(ws().bandwidth, 1000.0);

    type(ids::SetReset::kNiBandwidth, "500");
    EXPECT_EQ(ws().bandwidth, 500.0);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(sr, ids::SetReset::kNiSamples, 65537);
    EXPECT_EQ(ui::GetCtrlInt(sr, ids::SetReset::kNiSamples), 65536);
    EXPECT_NE(ui::StatusMessage(screen().GraphHandle).find("65537 samples became 65536"),
              std::string::npos);
}

// A folder is remembered for the next dialog once a file has been written
// there, not when a store into it failed.
TEST_F(WorkKept, OnlyAFolderWrittenToIsRemembered) {
    UnsavedWork();
    const fs::path missing = dir / "missing";
    Store((missing / "band.swf").string());
    EXPECT_FALSE(LastMessage().empty());
    EXPECT_TRUE(screen().unsaved);
    popups->asked.clear();
    Store((dir / "band.swf").string());
    ASSERT_EQ(popups->asked.size(), 1u);
    EXPECT_NE(popups->asked[0].default_directory, missing.string());
    EXPECT_FALSE(screen().unsaved);
    popups->asked.clear();
    Store((dir / "again.swf").string());
    ASSERT_EQ(popups->asked.size(), 1u);
    EXPECT_EQ(popups->asked[0].default_directory, dir.string());
}

// Set/Reset to a short profile gives the memory of a long waveform back: the
// resident size comes back within 20 % of what the same short work takes.
TEST_F(WorkKept, SetResetGivesTheMemoryBack) {
    const auto resident_kib = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return 0L;
    };
    const auto short_work = [&] {
        ApplySetReset(65536, 1250.0);
        Notch(200, 400, 1.0);
        Synthesise(0, 1, -1);
    };
    short_work();
    short_work();
    const long before = resident_kib();
    ASSERT_GT(before, 0);
    ApplySetReset(1 << 24, 1250.0);
    Notch(200, 400, 1.0);
    Synthesise(0, 1, -1);
    EXPECT_GT(resident_kib(), before + 200 * 1024);  // the long work took its room
    short_work();
    EXPECT_LE(resident_kib(), before * 12 / 10) << before;
}

// Watches for the waveform's pop-up: notes its figures when it first shows
// and when it closes, and closes it, when asked only once the spectrum's
// figures are in.
struct PopUpWatch {
    bool wait_for_figures = false;
    bool stop = false;
    std::string first, last;
};

void Watch(const std::shared_ptr<PopUpWatch>& w) {
    if (w->stop)
        return;
    QWidget* d = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == "Swift Waveform")
            d = top;
    auto* label = d ? d->findChild<QLabel*>("figures") : nullptr;
    if (label) {
        if (w->first.empty())
            w->first = label->text().toStdString();
        w->last = label->text().toStdString();
        if (!w->wait_for_figures || w->last.find("Played once") != std::string::npos) {
            QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close),
                              Qt::LeftButton);
            return;
        }
    }
    Later(10, [w] { Watch(w); });
}

// The waveform's pop-up comes as soon as the waveform is made; the spectrum
// played once is measured beside it and its figures replace the first ones
// in the open dialog. Closed before that, the window waits for the
// measuring and shows the same figures.
TEST_F(WorkKept, TheWaveformPopsUpWhileItsSpectrumIsMeasured) {
    ForgetQuit();  // an earlier case's quit would keep the dialog from showing
    popups->real_graphs = true;
    for (const bool wait : {true, false}) {
        SCOPED_TRACE(wait ? "left open" : "closed at once");
        ApplySetReset(1 << 21, 1250.0);
        Notch(200, 400, 1.0);
        auto w = std::make_shared<PopUpWatch>();
        w->wait_for_figures = wait;
        Later(0, [w] { Watch(w); });
        Synthesise(1, 0, -1);
        w->stop = true;
        ASSERT_TRUE(popups->messages.empty()) << LastMessage();
        EXPECT_NE(w->first.find("Crest"), std::string::npos) << w->first;
        EXPECT_NE(w->first.find("Measuring the spectrum played once"), std::string::npos)
            << w->first;
        const std::string pane = ui::FiguresPaneText(screen().GraphHandle);
        EXPECT_NE(pane.find("Ripple"), std::string::npos) << pane;
        if (wait) {
            EXPECT_NE(w->last.find("Ripple"), std::string::npos) << w->last;
        }
    }
}

}  // namespace
}  // namespace pelorin::testing
