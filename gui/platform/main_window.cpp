// The main window and the title panel as the panel resource lays them out:
// the graph with its status line and figures pane, and the title's lines.
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

void BuildMainPanel(Panel& p, QMainWindow* window) {
    auto* central = new QWidget(window);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    for (const auto& c : p.def.controls) {
        QWidget* w = MakeControl(p, c, central);
        layout->addWidget(w, c.kind == uir::Kind::Graph ? 1 : 0);
        p.controls[c.id] = Control{c, w, nullptr};
        if (c.dimmed)
            w->setEnabled(false);
        if (!c.visible)
            w->setVisible(false);
    }
    window->setCentralWidget(central);
    p.status = window->statusBar();
    auto* busy = new QProgressBar(window);
    busy->setRange(0, 0);  // running, of unknown length
    busy->setMaximumWidth(160);
    busy->setVisible(false);
    p.status->addPermanentWidget(busy);
    p.busy = busy;
    auto* readout = new QLabel(window);
    readout->setMinimumWidth(420);
    p.status->addPermanentWidget(readout);
    p.readout = readout;
    // The figures of the waveform in hand stay in sight beside the graph.
    auto* dock = new QDockWidget("Figures", window);
    dock->setObjectName("figures");
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* figures = new QLabel("No waveform yet.", dock);
    figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    figures->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    figures->setMargin(8);
    figures->setMinimumWidth(230);
    figures->setWordWrap(true);
    dock->setWidget(figures);
    window->addDockWidget(Qt::RightDockWidgetArea, dock);
    p.figuresPane = dock;
    p.figures = figures;
    BuildMenus(p, window);
}

void BuildTitlePanel(Panel& p, QWidget* window) {
    window->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(28, 24, 28, 24);
    bool first = true;
    for (const auto& c : p.def.controls) {
        auto* label = new QLabel(QString::fromStdString(c.label), window);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        QFont f = label->font();
        f.setPointSizeF(first ? f.pointSizeF() * 2.2 : f.pointSizeF() * 1.1);
        f.setBold(first);
        label->setFont(f);
        layout->addWidget(label);
        p.controls[c.id] = Control{c, label, nullptr};
        first = false;
    }
    window->setStyleSheet("background: #f4f6fa;");
}

bool IsTitlePanel(const uir::PanelDef& def) {
    for (const auto& c : def.controls)
        if (c.kind != uir::Kind::Text)
            return false;
    return !def.controls.empty();
}

}  // namespace detail

using namespace detail;

bool GrabPanel(int panel, const std::string& png_path) {
    Panel& p = PanelOf(panel);
    if (auto* g = p.window->findChild<GraphControl*>())
        g->replot();
    return p.window->grab().save(QString::fromStdString(png_path), "PNG");
}

void SetFiguresText(int panel, const std::string& text) {
    Panel& p = PanelOf(panel);
    if (p.figures)
        p.figures->setText(text.empty() ? QString("No waveform yet.")
                                        : QString::fromStdString(text));
}

std::string FiguresPaneText(int panel) {
    Panel& p = PanelOf(panel);
    return p.figures ? p.figures->text().toStdString() : std::string();
}

void ShowFiguresPane(int panel, bool shown) {
    Panel& p = PanelOf(panel);
    if (p.figuresPane)
        p.figuresPane->setVisible(shown);
}

bool FiguresPaneShown(int panel) {
    Panel& p = PanelOf(panel);
    return p.figuresPane && !p.figuresPane->isHidden();
}

}  // namespace pelorin::ui
