// The program as a desktop application: long work beside a live window,
// panels that belong to the main window and answer the keyboard, refused
// entries kept for correction, remembered settings, the title, quitting with
// an unstored waveform, the plot's legend and navigation, help.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "gui/platform/graph_control.h"
#include "gui/platform/platform.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;

// The entry's widget, focused as the operator's click would focus it.
QWidget* Focus(int panel, int control) {
    QWidget* w = ui::detail::ControlOf(panel, control).widget;
    QApplication::setActiveWindow(w->window());
    w->setFocus(Qt::MouseFocusReason);
    return w;
}

class Desktop : public GuiTest {
protected:
    TestDir dir;
};

// A synthesis of 2^22 samples runs beside the event loop: a timer keeps
// firing, and meanwhile the commands that would change the workspace are
// unavailable.
TEST_F(Desktop, LongWorkLeavesTheWindowLive) {
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
    ApplySetReset(1 << 22, 1000.0);
    Notch(100, 300, 1.0);
    int ticks = 0;
    bool locked = true;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        locked = locked && ui::Busy() && ui::MenuItemDimmed(bar(), ids::Main::kMenuSetReset);
    });
    timer.start(2);
    Synthesise(0, 1, -1);
    timer.stop();
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(locked);
    EXPECT_FALSE(ui::Busy());
    EXPECT_EQ(ws().Swift.size(), 1u << 22);
    EXPECT_FALSE(ui::MenuItemDimmed(bar(), ids::Main::kMenuSetReset));
}

TEST_F(Desktop, PanelsBelongToTheWindowAndAnswerTheKeyboard) {
    const int sr = screen().SetResetHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    QWidget* entry = Focus(sr, ids::SetReset::kTekSamples);
    EXPECT_EQ(entry->window()->parentWidget(), MainGraph()->window());
    EXPECT_TRUE(entry->window()->windowFlags() & Qt::Tool);
    // Typed and entered: Enter applies the panel's command.
    QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(entry, "2048");
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(ws().Magnitude.size(), 1024u);
    EXPECT_FALSE(ui::PanelVisible(sr));

    // In the frequency entry Enter adds the frequency, Escape closes.
    const int had = screen().HadamardHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuHadamard);
    QWidget* frequency = Focus(had, ids::Hadamard::kFrequency);
    QTest::keyClick(frequency, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(frequency, "250");
    QTest::keyClick(frequency, Qt::Key_Enter);
    ASSERT_EQ(ui::GetNumListItems(had, ids::Hadamard::kList), 1);
    EXPECT_EQ(ui::GetValueFromIndex(had, ids::Hadamard::kList, 0), 250.0f);
    EXPECT_TRUE(ui::PanelVisible(had));
    QTest::keyClick(frequency, Qt::Key_Escape);
    EXPECT_FALSE(ui::PanelVisible(had));

    // Switching the Set/Reset layout there and back leaves no blank band.
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSetReset);
    QWidget* panel = ui::detail::PanelOf(sr).window;
    const int height = panel->height();
    ui::EnterCtrlVal(sr, ids::SetReset::kNiSwitch, 1);
    ui::EnterCtrlVal(sr, ids::SetReset::kTekSwitch, 1);
    EXPECT_EQ(panel->height(), height);

    // With the cursors giving the window, the typed bounds are dimmed.
    const int notch = screen().NotchHandle;
    ui::EnterCtrlVal(notch, ids::Notch::kSource, 1);
    EXPECT_TRUE(ui::CtrlDimmed(notch, ids::Notch::kFrom));
    EXPECT_TRUE(ui::CtrlDimmed(notch, ids::Notch::kTo));
    ui::EnterCtrlVal(notch, ids::Notch::kSource, 0);
    EXPECT_FALSE(ui::CtrlDimmed(notch, ids::Notch::kFrom));
}

TEST_F(Desktop, RefusedEntryKeepsItsPanelOpenAndSelected) {
    ApplySetReset(14, 70.0);
    const int p = screen().SmoothHandle;
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSmooth);
    auto* spin = qobject_cast<QAbstractSpinBox*>(Focus(p, ids::Smooth::kWidth));
    ui::SetCtrlVal(p, ids::Smooth::kWidth, 4);
    ui::PressButton(p, ids::Smooth::kApply);
    EXPECT_NE(LastMessage().find("even"), std::string::npos) << LastMessage();
    EXPECT_TRUE(ui::PanelVisible(p));
    EXPECT_EQ(QApplication::focusWidget(), spin);
    EXPECT_EQ(spin->text(), "4");
    EXPECT_EQ(spin->findChild<QLineEdit*>()->selectedText(), "4");
}

TEST_F(Desktop, SettingsSurviveARestart) {
    ui::EnterCtrlVal(screen().SetResetHandle, ids::SetReset::kNiSwitch, 1);
    ApplySetReset(4096, 512.5);
    Notch(100, 300, 1.0);
    Synthesise(0, 0, -1);
    Store((dir / "kept.swf").string());
    // A new session: the panels come back as they were left.
    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    const int sr = screen().SetResetHandle;
    EXPECT_FALSE(screen().usetek);
    EXPECT_TRUE(ui::CtrlVisible(sr, ids::SetReset::kNiSamples));
    EXPECT_EQ(ui::GetCtrlInt(sr, ids::SetReset::kNiSamples), 4096);
    EXPECT_EQ(ui::GetCtrlVal(sr, ids::SetReset::kNiBandwidth), 512.5);
    // The store dialog opens where the last .swf went.
    ApplySetReset(64, 100.0);
    Notch(10, 30, 1.0);
    Synthesise(0, 0, -1);
    Store((dir / "again.swf").string());
    EXPECT_EQ(popups->asked.back().default_directory, dir.string());
}

// The decibel scale, the played-once spectrum and the figures pane are
// remembered; the pane follows the waveform in hand and empties at Set/Reset.
TEST_F(Desktop, ViewOfTheWaveformIsRememberedAndFollowsIt) {
    const int main = screen().GraphHandle;
    EXPECT_EQ(ui::FiguresPaneText(main), "No waveform yet.");
    ApplySetReset(2048, 1000.0);
    Notch(100, 300, 1.0);
    Synthesise(0, 0, -1);
    const std::string shown = ui::FiguresPaneText(main);
    EXPECT_NE(shown.find("Crest 2."), std::string::npos) << shown;
    EXPECT_NE(shown.find("Played once (bands from the profile)"), std::string::npos) << shown;
    EXPECT_EQ(screen().PlayedFlag, 1);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuDecibels);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuPlayedOnce);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuFigures);
    EXPECT_TRUE(ui::GraphDecibels(main, ids::Main::kGraph));
    EXPECT_EQ(screen().PlayedFlag, 0);
    EXPECT_FALSE(ui::FiguresPaneShown(main));
    ui::ChooseMenuItem(bar(), ids::Main::kMenuPlayedOnce);  // drawn again from the waveform
    EXPECT_EQ(screen().PlayedFlag, 1);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuPlayedOnce);
    ApplySetReset(256, 100.0);
    EXPECT_EQ(ui::FiguresPaneText(main), "No waveform yet.");

    ui::ResetPlatform();
    ResetSession();
    RegisterCallbacks();
    StartUp(0.0);
    const int again = screen().GraphHandle;
    EXPECT_TRUE(ui::MenuItemChecked(bar(), ids::Main::kMenuDecibels));
    EXPECT_TRUE(ui::GraphDecibels(again, ids::Main::kGraph));
    EXPECT_FALSE(ui::MenuItemChecked(bar(), ids::Main::kMenuPlayedOnce));
    EXPECT_FALSE(ui::FiguresPaneShown(again));
    ApplySetReset(2048, 1000.0);
    Notch(100, 300, 1.0);
    Synthesise(0, 0, -1);
    EXPECT_EQ(screen().PlayedFlag, 0);  // not wanted, not drawn
}

TEST_F(Desktop, TitleStoreMessageAndQuittingWithAnUnstoredWaveform) {
    const int main = screen().GraphHandle;
    ApplySetReset(256, 100.0);
    Notch(10, 30, 1.0);
    Synthesise(0, 0, -1);
    QWidget* window = MainGraph()->window();
    EXPECT_EQ(window->windowTitle().toStdString(), "Pelorin — new waveform *");
    // Not stored: quitting asks, and Cancel keeps the program running.
    popups->save_answers.push_back(ui::SaveAnswer::Cancel);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuExit);
    ASSERT_EQ(popups->save_questions.size(), 1u);
    EXPECT_NE(popups->save_questions[0].find("waveform has not been stored"), std::string::npos);
    EXPECT_FALSE(ui::QuitRequested());
    // Stored, the design's edits are still not saved: the mark stays.
    Store((dir / "band").string());
    EXPECT_EQ(window->windowTitle().toStdString(), "Pelorin — band.swf *");
    EXPECT_NE(ui::StatusMessage(main).find((dir / "band.swf").string()), std::string::npos);
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "band").string()});
    ui::ChooseMenuItem(bar(), ids::Main::kMenuSaveDesign);
    EXPECT_EQ(window->windowTitle().toStdString(), "Pelorin — band.swf");
    ui::ChooseMenuItem(bar(), ids::Main::kMenuExit);
    EXPECT_EQ(popups->save_questions.size(), 1u);  // nothing to lose: no question
    EXPECT_TRUE(ui::QuitRequested());
}

TEST_F(Desktop, PlotLegendNavigationAndTimeAxis) {
    ApplySetReset(2048, 1000.0);
    Notch(100, 300, 1.0);
    Synthesise(1, 1, -1);
    ui::GraphControl* g = MainGraph();
    ASSERT_NE(g, nullptr);
    g->resize(800, 500);
    g->replot();
    ASSERT_EQ(g->legend->itemCount(), 3);
    EXPECT_EQ(g->graph(0)->name(), "Profile");
    EXPECT_EQ(g->graph(1)->name(), "Spectrum check");
    EXPECT_EQ(g->graph(2)->name(), "Played once (8×)");
    // The waveform pop-up's axis is in microseconds: samples 1 / (2 bandwidth)
    // apart (the Tektronix clock made the bandwidth 12500 / 12 kHz).
    ASSERT_EQ(popups->graph_steps.size(), 1u);
    EXPECT_DOUBLE_EQ(popups->graph_steps[0], 1000.0 / (2.0 * ws().bandwidth));

    // The wheel zooms in around the mouse, never past the full range.
    const QPointF at(g->xAxis->coordToPixel(500.0), g->axisRect()->center().y());
    QWheelEvent in(at, g->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(g, &in);
    EXPECT_LT(g->xAxis->range().size(), 1000.0);
    EXPECT_NEAR(g->xAxis->pixelToCoord(at.x()), 500.0, 1.0);
    for (int i = 0; i < 20; ++i) {
        QWheelEvent out(at, g->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
        QApplication::sendEvent(g, &out);
    }
    EXPECT_GE(g->xAxis->range().lower, 0.0);
    EXPECT_LE(g->xAxis->range().upper, ws().bandwidth);
    // The arrow keys move cursor 1, and the stored window follows.
    const double before = g->cursorX(1);
    QTest::keyClick(g, Qt::Key_Right);
    EXPECT_GT(g->cursorX(1), before);
    EXPECT_EQ(screen().cursor1, g->cursorX(1));
    EXPECT_NE(ui::StatusText(screen().GraphHandle).find("Cursor 1"), std::string::npos);
}

TEST_F(Desktop, Help) {
    ui::ChooseMenuItem(bar(), ids::Main::kMenuAbout);
    EXPECT_EQ(popups->messages.back().first, "About Pelorin");
    EXPECT_NE(LastMessage().find(PELORIN_VERSION), std::string::npos);
    EXPECT_NE(LastMessage().find("GNU General Public License"), std::string::npos);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuGuide);
    EXPECT_TRUE(ui::GuideShown());
}

}  // namespace
}  // namespace pelorin::testing
