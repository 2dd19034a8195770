// Takes the documentation pictures: drives the real panels through their
// callbacks and renders each window into docs/. File dialogs are answered
// from here; the other pop-ups are the real ones, pictured and closed.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

#include "core/display/figures.h"
#include "core/display/played_once.h"
#include "core/edit/bands.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "gui/panels/pelorin.h"
#include "gui/platform/graph_control.h"
#include "gui/platform/platform.h"
#include "gui/platform/ui.h"

namespace {

using namespace pelorin;

std::string g_dir;

void Save(QWidget* w, const std::string& name) {
    const std::string path = g_dir + "/" + name;
    if (!w->grab().save(QString::fromStdString(path), "PNG"))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

QWidget* MainWindow() {
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().startsWith("Pelorin") && w->width() >= 900)
            main = w;
    return main;
}

// The part of the screen the main window and what lies over it take, as a
// person sees it.
void ScreenShot(const std::string& name) {
    QWidget* main = MainWindow();
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = main ? main->frameGeometry().adjusted(0, 0, 8, 8) : screen->geometry();
    area = area.intersected(screen->geometry());
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const std::string path = g_dir + "/" + name;
    if (!shot.save(QString::fromStdString(path), "PNG"))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

// Real pop-ups, except that each modal one is pictured and closed at once
// and file dialogs take the next scripted path.
class PicturedPopups : public ui::Popups {
public:
    std::string next_name;     // picture of the next modal pop-up, if any
    bool next_screen = false;  // the whole screen rather than the pop-up alone
    std::string next_path;

    int FileSelect(const ui::FileSelectRequest&, std::string& path) override {
        path = next_path;
        return ui::VAL_NEW_FILE_SELECTED;
    }
    void Message(const std::string& title, const std::string& text) override {
        Picture();
        real_->Message(title, text);
    }
    void Graph(const std::string& title, std::span<const double> y, double step_us,
               const std::string& caption) override {
        Picture();
        real_->Graph(title, y, step_us, caption);
    }
    void Radii(const ui::RadiusPlot& plot) override {
        Picture();
        real_->Radii(plot);
    }
    bool Confirm(const std::string&, const std::string&) override { return true; }
    ui::SaveAnswer AskToSave(const std::string& title, const std::string& text) override {
        if (next_name.empty())
            return ui::SaveAnswer::Discard;
        Picture();
        return real_->AskToSave(title, text);
    }
    std::unique_ptr<ui::Progress> StartProgress(const std::string& title,
                                                std::uint64_t total) override {
        auto progress = real_->StartProgress(title, total);
        if (!next_name.empty()) {
            // The screen while the series runs, its progress dialog over the
            // main window.
            const std::string name = next_name;
            next_name.clear();
            QTimer::singleShot(700, [name] { ScreenShot(name); });
        }
        return progress;
    }

private:
    void Picture() {
        const std::string name = next_name;
        const bool screen = next_screen;
        next_name.clear();
        next_screen = false;
        QTimer::singleShot(300, [name, screen] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                if (!name.empty()) {
                    if (screen)
                        ScreenShot(name);
                    else
                        Save(w, name);
                }
                w->close();
            }
        });
    }
    std::unique_ptr<ui::Popups> real_ = ui::MakeQtPopups();
};

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        ui::Delay(0.05);
    }
}

void Shot(int panel, const std::string& name) {
    Settle();
    ui::GrabPanel(panel, g_dir + "/" + name);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Pictures of a first start: no settings of the operator's.
    QApplication::setOrganizationName("Pelorin");
    QApplication::setApplicationName("Pelorin-screenshots");
    QTemporaryDir settings;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    g_dir = argc > 1 ? argv[1] : "docs";
    auto popups = std::make_unique<PicturedPopups>();
    PicturedPopups* pictured = popups.get();
    ui::InstallPopups(std::move(popups));
    RegisterCallbacks();
    StartUp(0.0);
    Workspace& ws = workspace();
    const int bar = screen().MenuHandle;
    const int sr = screen().SetResetHandle;

    Shot(screen().GraphHandle, "main-window-empty.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    ui::EnterCtrlVal(sr, ids::SetReset::kTekBandwidth, 1250.0);
    Shot(sr, "setreset-tektronix.png");
    ui::EnterCtrlVal(sr, ids::SetReset::kNiSwitch, 1);
    Shot(sr, "setreset-national-instruments.png");
    ui::EnterCtrlVal(sr, ids::SetReset::kNiSwitch, 0);
    ui::EnterCtrlVal(sr, ids::SetReset::kTekSamples, 65536);
    ui::PressButton(sr, ids::SetReset::kApply);

    // A band from 200 to 900 kHz with a notch cut at 500 … 520 kHz.
    const int notch = screen().NotchHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuNotch);
    ui::SetCtrlVal(notch, ids::Notch::kSource, 0);
    ui::SetCtrlVal(notch, ids::Notch::kFrom, 200.0);
    ui::SetCtrlVal(notch, ids::Notch::kTo, 900.0);
    ui::SetCtrlVal(notch, ids::Notch::kLevel, 1.0);
    Shot(notch, "notch-panel.png");
    ui::PressButton(notch, ids::Notch::kApply);
    ui::ChooseMenuItem(bar, ids::Main::kMenuNotch);
    ui::SetCtrlVal(notch, ids::Notch::kFrom, 500.0);
    ui::SetCtrlVal(notch, ids::Notch::kTo, 520.0);
    ui::SetCtrlVal(notch, ids::Notch::kLevel, 0.0);
    ui::PressButton(notch, ids::Notch::kApply);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 1, 470.0);
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 2, 560.0);
    Shot(screen().GraphHandle, "notched-profile.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomCursors);
    Shot(screen().GraphHandle, "notched-profile-zoomed.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomFull);

    ui::ChooseMenuItem(bar, ids::Main::kMenuSmooth);
    ui::SetCtrlVal(screen().SmoothHandle, ids::Smooth::kWidth, 5);
    Shot(screen().SmoothHandle, "smooth-panel.png");
    ui::PressButton(screen().SmoothHandle, ids::Smooth::kApply);

    ui::ChooseMenuItem(bar, ids::Main::kMenuSynthesis);
    Shot(screen().ProcessHandle, "synthesis-panel.png");
    pictured->next_name = "waveform-popup.png";
    ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
    Shot(screen().GraphHandle, "band-spectrum-check.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomCursors);
    Shot(screen().GraphHandle, "band-spectrum-check-zoomed.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomFull);
    // The whole window with a tool panel in its place, the legend and the
    // status bar.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    Settle();
    ScreenShot("main-window.png");
    ui::HidePanel(sr);
    pictured->next_name = "about.png";
    ui::ChooseMenuItem(bar, ids::Main::kMenuAbout);

    // A SWIM band: raised cosine with six nodes, smoothed, synthesised.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    ui::PressButton(sr, ids::SetReset::kApply);
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomFull);
    const int swim = screen().SwimHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuSwim);
    ui::SetCtrlVal(swim, ids::Swim::kFrom, 150.0);
    ui::SetCtrlVal(swim, ids::Swim::kTo, 1000.0);
    ui::SetCtrlVal(swim, ids::Swim::kLaw, 1);
    ui::SetCtrlVal(swim, ids::Swim::kNodes, 6);
    Shot(swim, "swim-panel.png");
    ui::PressButton(swim, ids::Swim::kRun);
    // A series of 96 members at 2^20 samples, long enough to be seen going.
    {
        ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(sr, ids::SetReset::kTekSamples, 1 << 20);
        ui::PressButton(sr, ids::SetReset::kApply);
        ui::ChooseMenuItem(bar, ids::Main::kMenuSwim);
        ui::EnterCtrlVal(swim, ids::Swim::kSeries, 1);
        ui::SetCtrlVal(swim, ids::Swim::kNodes, 1);
        ui::SetCtrlVal(swim, ids::Swim::kLastNodes, 96);
        QTemporaryDir series;
        pictured->next_path = (series.path() + "/member.swf").toStdString();
        pictured->next_name = "series-progress.png";
        ui::PressButton(swim, ids::Swim::kRun);
        ui::EnterCtrlVal(swim, ids::Swim::kSeries, 0);
        ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(sr, ids::SetReset::kTekSamples, 65536);
        ui::PressButton(sr, ids::SetReset::kApply);
        ui::ChooseMenuItem(bar, ids::Main::kMenuSwim);
        ui::SetCtrlVal(swim, ids::Swim::kNodes, 6);
        ui::PressButton(swim, ids::Swim::kRun);
    }
    ui::ChooseMenuItem(bar, ids::Main::kMenuSynthesis);
    ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kPopup, 0);
    ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
    Shot(screen().GraphHandle, "swim-profile.png");

    // A Hadamard row over five listed frequencies.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    ui::PressButton(sr, ids::SetReset::kApply);
    const int had = screen().HadamardHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuHadamard);
    for (float f : {180.0f, 320.0f, 475.5f, 610.0f, 902.25f}) {
        ui::SetCtrlVal(had, ids::Hadamard::kFrequency, f);
        ui::PressButton(had, ids::Hadamard::kAdd);
    }
    ui::SetCtrlVal(had, ids::Hadamard::kWidth, 8000.0);
    ui::SetCtrlVal(had, ids::Hadamard::kRow, 2);
    Shot(had, "hadamard-panel.png");
    ui::PressButton(had, ids::Hadamard::kBuild);
    Shot(screen().GraphHandle, "hadamard-row.png");

    ui::ChooseMenuItem(bar, ids::Main::kMenuImport);
    Shot(screen().awg_handle, "import-awg-panel.png");
    ui::HidePanel(screen().awg_handle);

    // Isolation of m/z 524.3 within m/z 200 … 2000 on the m/z axis, at a
    // 7 T calibration, with its spectrum check.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    ui::PressButton(sr, ids::SetReset::kApply);
    const int calib = screen().CalibHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuCalibration);
    // Three calibrants measured in a trap (B about -A times 20 Hz), fitted.
    const Calibration trap{7.0 * kHzPerTesla, -7.0 * kHzPerTesla * 20.0};
    for (const auto& [mz, ppm] :
         {std::pair{322.048, 0.4}, std::pair{622.029, -0.6}, std::pair{1221.991, 0.3}}) {
        ui::SetCtrlVal(calib, ids::Calib::kPeakMz, mz);
        ui::SetCtrlVal(calib, ids::Calib::kPeakKhz, KhzFromMz(trap, mz * (1.0 + ppm * 1e-6)));
        ui::PressButton(calib, ids::Calib::kAddPeak);
    }
    ui::PressButton(calib, ids::Calib::kFit);
    Shot(calib, "calibration-panel.png");
    ui::EnterCtrlVal(calib, ids::Calib::kTesla, 7.0);
    ui::EnterCtrlVal(calib, ids::Calib::kBCoeff, 0.0);
    ui::PressButton(calib, ids::Calib::kApply);
    ui::ChooseMenuItem(bar, ids::Main::kMenuAxisMz);
    const int iso = screen().IsolateHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuIsolate);
    ui::EnterCtrlVal(iso, ids::Isolate::kTarget, 524.3);
    ui::PressButton(iso, ids::Isolate::kAdd);
    ui::EnterCtrlVal(iso, ids::Isolate::kWidth, 2.0);
    ui::EnterCtrlVal(iso, ids::Isolate::kRanged, 1);
    ui::SetCtrlVal(iso, ids::Isolate::kFrom, 200.0);
    ui::SetCtrlVal(iso, ids::Isolate::kTo, 2000.0);
    Shot(iso, "isolate-panel.png");
    ui::PressButton(iso, ids::Isolate::kApply);
    ui::ChooseMenuItem(bar, ids::Main::kMenuSynthesis);
    ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kPopup, 0);
    ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kCheck, 1);
    ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
    const Calibration& c = ws.calibration;
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 1, KhzFromMz(c, 540.0));
    ui::DragGraphCursor(screen().GraphHandle, ids::Main::kGraph, 2, KhzFromMz(c, 510.0));
    Settle();
    ScreenShot("isolation-mz.png");
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomCursors);
    Settle();
    ScreenShot("isolation-mz-zoomed.png");
    // What that waveform does to the ions at 600 V in a 1 V trap.
    const int excite = screen().ExciteHandle;
    ui::ChooseMenuItem(bar, ids::Main::kMenuExcite);
    ui::EnterCtrlVal(excite, ids::Excite::kVpp, 600.0);
    ui::EnterCtrlVal(excite, ids::Excite::kTrap, 1.0);
    ui::EnterCtrlVal(excite, ids::Excite::kTarget, 524.3);
    ui::PressButton(excite, ids::Excite::kAdd);
    ui::EnterCtrlVal(excite, ids::Excite::kRanged, 1);
    ui::SetCtrlVal(excite, ids::Excite::kFrom, 200.0);
    ui::SetCtrlVal(excite, ids::Excite::kTo, 2000.0);
    Shot(excite, "excite-panel.png");
    pictured->next_name = "ion-excitation.png";
    ui::PressButton(excite, ids::Excite::kPredict);
    ui::HidePanel(excite);
    ui::ChooseMenuItem(bar, ids::Main::kMenuAxisKhz);

    // The Edit menu naming the edit it would undo.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
    ui::PressButton(sr, ids::SetReset::kApply);
    ui::ChooseMenuItem(bar, ids::Main::kMenuZoomFull);
    for (const auto& [from, to, level] : {std::tuple{200.0, 400.0, 1.0}, {290.0, 310.0, 0.0}}) {
        ui::ChooseMenuItem(bar, ids::Main::kMenuNotch);
        ui::SetCtrlVal(notch, ids::Notch::kFrom, from);
        ui::SetCtrlVal(notch, ids::Notch::kTo, to);
        ui::SetCtrlVal(notch, ids::Notch::kLevel, level);
        ui::PressButton(notch, ids::Notch::kApply);
    }
    if (QMenuBar* menus = MainWindow() ? MainWindow()->findChild<QMenuBar*>() : nullptr) {
        for (QAction* a : menus->actions())
            if (a->text() == "&Edit")
                menus->setActiveAction(a);
        Settle();
        ScreenShot("edit-undo-menu.png");
        if (QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            open->close();
        Settle();
    }

    // A stored waveform opened again: its spectrum, its figures.
    ui::ChooseMenuItem(bar, ids::Main::kMenuSynthesis);
    ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kPopup, 0);
    ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
    QTemporaryDir stored;
    pictured->next_path = (stored.path() + "/band-with-notch.swf").toStdString();
    ui::ChooseMenuItem(bar, ids::Main::kMenuStore);
    pictured->next_name = "opened-waveform-popup.png";
    ui::ChooseMenuItem(bar, ids::Main::kMenuOpenWaveform);
    Settle();
    ScreenShot("opened-waveform.png");

    // The quadratic law and the optimised phase on one time axis: a flat band
    // 200 … 400 kHz, 65536 samples at 1250 kHz.
    {
        Workspace classic;
        SetReset(classic, 65536, 1250.0);
        classic.cursor1 = 200.0, classic.cursor2 = 400.0;
        ApplyNotch(classic, 1.0);
        Workspace optimised = classic;
        Synthesise(classic, -1, nullptr);
        optimised.synthesis = {PhaseLaw::Optimised, PhaseChoice{}.iterations};
        Synthesise(optimised, -1, nullptr);
        const WaveformFigures a = FiguresOfSamples(classic.Swift, classic.bandwidth);
        const WaveformFigures b = FiguresOfSamples(optimised.Swift, optimised.bandwidth);
        ui::GraphControl plot(nullptr, false);
        plot.resize(1000, 520);
        const double step_us = 1000.0 / (2.0 * classic.bandwidth);
        char name[96];
        std::snprintf(name, sizeof name, "Quadratic law, factor -1: crest factor %.2f (%.1f dB)",
                      a.crest_factor, a.crest_factor_db);
        // Lifted clear of the other, so that both envelopes show whole.
        std::vector<double> lifted = classic.Swift;
        for (double& v : lifted)
            v += 2.2;
        plot.addPlot(lifted, 0.0, step_us, QColor(70, 70, 200), name);
        std::snprintf(name, sizeof name, "Optimised phase: crest factor %.2f (%.1f dB)",
                      b.crest_factor, b.crest_factor_db);
        plot.addPlot(optimised.Swift, 0.0, step_us, QColor(230, 120, 0), name);
        plot.legend->setVisible(true);
        plot.xAxis->setLabel("Time (µs)");
        plot.yAxis->setLabel("Amplitude (quadratic law lifted by 2.2)");
        const double end = step_us * (classic.Swift.size() - 1);
        plot.setFullXRange(0.0, end);
        plot.setXRange(0.0, end);
        plot.setYRange(-1.1, 4.1);
        plot.replot();
        Save(&plot, "crest-classic-vs-optimised.png");
    }

    // What the ions feel: the spectra of both records played once, in dB,
    // for the band notched 290 … 310 kHz.
    {
        Workspace classic;
        SetReset(classic, 65536, 1250.0);
        classic.cursor1 = 200.0, classic.cursor2 = 400.0;
        ApplyNotch(classic, 1.0);
        classic.cursor1 = 290.0, classic.cursor2 = 310.0;
        ApplyNotch(classic, 0.0);
        Workspace optimised = classic;
        Synthesise(classic, -1, nullptr);
        optimised.synthesis = {PhaseLaw::Optimised, PhaseChoice{}.iterations};
        Synthesise(optimised, -1, nullptr);
        ui::GraphControl plot(nullptr, false);
        plot.resize(1000, 520);
        char name[160];
        PlayedOnceSpectrum a, b;
        const PlayedOnceFigures fa =
            PlayedOnceOfSamples(classic.Swift, classic.bandwidth, classic.Magnitude, &a);
        const PlayedOnceFigures fb =
            PlayedOnceOfSamples(optimised.Swift, optimised.bandwidth, optimised.Magnitude, &b);
        const WaveformFigures crest_a = FiguresOfSamples(classic.Swift, classic.bandwidth);
        const WaveformFigures crest_b = FiguresOfSamples(optimised.Swift, optimised.bandwidth);
        const double step = classic.bandwidth / static_cast<double>(a.values.size());
        std::snprintf(name, sizeof name,
                      "Quadratic law: crest %.2f, ripple %+.2f/%+.2f dB, notch %.0f dB",
                      crest_a.crest_factor, fa.ripple_lo_db, fa.ripple_hi_db, fa.notch_db[0]);
        plot.addPlot(a.values, 0.0, step, QColor(70, 70, 200), name);
        std::snprintf(name, sizeof name,
                      "Optimised phase: crest %.2f, ripple %+.2f/%+.2f dB, notch %.0f dB",
                      crest_b.crest_factor, fb.ripple_lo_db, fb.ripple_hi_db, fb.notch_db[0]);
        plot.addPlot(b.values, 0.0, step, QColor(230, 120, 0), name);
        plot.legend->setVisible(true);
        plot.xAxis->setLabel("Frequency (kHz)");
        plot.yAxis->setLabel("Played once, relative to the band");
        plot.setDecibels(true);
        plot.setFullXRange(0.0, classic.bandwidth);
        plot.setXRange(150.0, 450.0);
        plot.replot();
        Save(&plot, "played-once-classic-vs-optimised.png");
    }

    // The questions asked before work would be lost (each answered Cancel
    // by its close box), and an entry refused where it was typed.
    {
        ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
        ui::EnterCtrlVal(sr, ids::SetReset::kNiSwitch, 1);
        ui::EnterCtrlVal(sr, ids::SetReset::kNiSamples, 8192);
        ui::EnterCtrlVal(sr, ids::SetReset::kNiBandwidth, 1250.0);
        ui::PressButton(sr, ids::SetReset::kApply);
        ui::ChooseMenuItem(bar, ids::Main::kMenuNotch);
        ui::SetCtrlVal(notch, ids::Notch::kSource, 0);
        ui::SetCtrlVal(notch, ids::Notch::kFrom, 200.0);
        ui::SetCtrlVal(notch, ids::Notch::kTo, 400.0);
        ui::SetCtrlVal(notch, ids::Notch::kLevel, 1.0);
        ui::PressButton(notch, ids::Notch::kApply);
        ui::ChooseMenuItem(bar, ids::Main::kMenuSynthesis);
        ui::SetCtrlVal(screen().ProcessHandle, ids::Process::kPopup, 0);
        ui::PressButton(screen().ProcessHandle, ids::Process::kSynthesise);
        Settle();
        pictured->next_name = "question-set-reset.png";
        ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
        ui::PressButton(sr, ids::SetReset::kApply);
        ui::HidePanel(sr);
        pictured->next_name = "question-open-design.png";
        ui::ChooseMenuItem(bar, ids::Main::kMenuOpenDesign);
        pictured->next_name = "question-open-waveform.png";
        ui::ChooseMenuItem(bar, ids::Main::kMenuOpenWaveform);
        ui::ChooseMenuItem(bar, ids::Main::kMenuImport);
        pictured->next_name = "question-import.png";
        ui::EnterCtrlVal(screen().awg_handle, ids::Awg::kAwg1, 1);
        ui::PressButton(screen().awg_handle, ids::Awg::kOk);
        pictured->next_name = "question-quit.png";
        ui::ChooseMenuItem(bar, ids::Main::kMenuExit);

        ui::ChooseMenuItem(bar, ids::Main::kMenuSetReset);
        QWidget* samples = ui::detail::ControlOf(sr, ids::SetReset::kNiSamples).widget;
        samples->findChild<QLineEdit*>()->clear();
        pictured->next_name = "refused-entry.png";
        pictured->next_screen = true;
        ui::PressButton(sr, ids::SetReset::kApply);
        Settle();
    }
    return 0;
}
