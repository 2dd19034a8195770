// Takes the documentation pictures: drives the real panels through their
// callbacks and renders each window into docs/. File dialogs are answered
// from here; the other pop-ups are the real ones, pictured and closed.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>

#include "app/pelorin.h"
#include "platform/ui.h"

namespace {

using namespace pelorin;

std::string g_dir;

void Save(QWidget* w, const std::string& name) {
    const std::string path = g_dir + "/" + name;
    if (!w->grab().save(QString::fromStdString(path), "PNG"))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

// Real pop-ups, except that each modal one is pictured and closed at once
// and file dialogs take the next scripted path.
class PicturedPopups : public ui::Popups {
public:
    std::string next_name;  // picture of the next modal pop-up, if any
    std::string next_path;

    int FileSelect(const ui::FileSelectRequest&, std::string& path) override {
        path = next_path;
        return ui::VAL_NEW_FILE_SELECTED;
    }
    void Message(const std::string& title, const std::string& text) override {
        Picture();
        real_->Message(title, text);
    }
    void Graph(const std::string& title, std::span<const double> y) override {
        Picture();
        real_->Graph(title, y);
    }
    std::unique_ptr<ui::Progress> StartProgress(const std::string& title,
                                                std::uint64_t total) override {
        return real_->StartProgress(title, total);
    }

private:
    void Picture() {
        const std::string name = next_name;
        next_name.clear();
        QTimer::singleShot(300, [name] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                if (!name.empty())
                    Save(w, name);
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
    g_dir = argc > 1 ? argv[1] : "docs";
    auto popups = std::make_unique<PicturedPopups>();
    PicturedPopups* pictured = popups.get();
    ui::InstallPopups(std::move(popups));
    RegisterCallbacks();
    StartUp(0.0);
    Workspace& ws = workspace();
    const int bar = ws.MenuHandle;
    const int sr = ws.SetResetHandle;

    Shot(ws.GraphHandle, "main-window-empty.png");
    ui::ChooseMenuItem(bar, kMenuSetReset);
    ui::EnterCtrlVal(sr, 5, 1250.0);
    Shot(sr, "setreset-tektronix.png");
    ui::EnterCtrlVal(sr, 8, 1);
    Shot(sr, "setreset-national-instruments.png");
    ui::EnterCtrlVal(sr, 8, 0);
    ui::EnterCtrlVal(sr, 4, 65536);
    ui::PressButton(sr, 7);

    // A band from 200 to 900 kHz with a notch cut at 500 … 520 kHz.
    const int notch = ws.NotchHandle;
    ui::ChooseMenuItem(bar, kMenuNotch);
    ui::SetCtrlVal(notch, 2, 0);
    ui::SetCtrlVal(notch, 6, 200.0);
    ui::SetCtrlVal(notch, 7, 900.0);
    ui::SetCtrlVal(notch, 5, 1.0);
    Shot(notch, "notch-panel.png");
    ui::PressButton(notch, 4);
    ui::ChooseMenuItem(bar, kMenuNotch);
    ui::SetCtrlVal(notch, 6, 500.0);
    ui::SetCtrlVal(notch, 7, 520.0);
    ui::SetCtrlVal(notch, 5, 0.0);
    ui::PressButton(notch, 4);
    ui::DragGraphCursor(ws.GraphHandle, kGraph, 1, 470.0);
    ui::DragGraphCursor(ws.GraphHandle, kGraph, 2, 560.0);
    Shot(ws.GraphHandle, "notched-profile.png");
    ui::ChooseMenuItem(bar, kMenuZoomCursors);
    Shot(ws.GraphHandle, "notched-profile-zoomed.png");
    ui::ChooseMenuItem(bar, kMenuZoomFull);

    ui::ChooseMenuItem(bar, kMenuSmooth);
    ui::SetCtrlVal(ws.SmoothHandle, 2, 5);
    Shot(ws.SmoothHandle, "smooth-panel.png");
    ui::PressButton(ws.SmoothHandle, 4);

    ui::ChooseMenuItem(bar, kMenuSynthesis);
    Shot(ws.ProcessHandle, "synthesis-panel.png");
    pictured->next_name = "waveform-popup.png";
    ui::PressButton(ws.ProcessHandle, 4);
    Shot(ws.GraphHandle, "band-spectrum-check.png");
    ui::ChooseMenuItem(bar, kMenuZoomCursors);
    Shot(ws.GraphHandle, "band-spectrum-check-zoomed.png");

    // A SWIM band: raised cosine with six nodes, smoothed, synthesised.
    ui::ChooseMenuItem(bar, kMenuSetReset);
    ui::PressButton(sr, 7);
    ui::ChooseMenuItem(bar, kMenuZoomFull);
    const int swim = ws.SwimHandle;
    ui::ChooseMenuItem(bar, kMenuSwim);
    ui::SetCtrlVal(swim, 10, 150.0);
    ui::SetCtrlVal(swim, 11, 1000.0);
    ui::SetCtrlVal(swim, 13, 1);
    ui::SetCtrlVal(swim, 8, 6);
    Shot(swim, "swim-panel.png");
    ui::PressButton(swim, 6);
    ui::ChooseMenuItem(bar, kMenuSynthesis);
    ui::SetCtrlVal(ws.ProcessHandle, 5, 0);
    ui::PressButton(ws.ProcessHandle, 4);
    Shot(ws.GraphHandle, "swim-profile.png");

    // A Hadamard row over five listed frequencies.
    ui::ChooseMenuItem(bar, kMenuSetReset);
    ui::PressButton(sr, 7);
    const int had = ws.HadamardHandle;
    ui::ChooseMenuItem(bar, kMenuHadamard);
    for (float f : {180.0f, 320.0f, 475.5f, 610.0f, 902.25f}) {
        ui::SetCtrlVal(had, 6, f);
        ui::PressButton(had, 5);
    }
    ui::SetCtrlVal(had, 11, 8000.0);
    ui::SetCtrlVal(had, 7, 2);
    Shot(had, "hadamard-panel.png");
    ui::PressButton(had, 10);
    Shot(ws.GraphHandle, "hadamard-row.png");

    ui::ChooseMenuItem(bar, kMenuImport);
    Shot(ws.awg_handle, "import-awg-panel.png");
    return 0;
}
