// The main graph: plots, axes, cursors and the status line that shows them.
#include <cmath>

#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

void UpdateStatus(Panel& p, GraphControl* g) {
    if (!p.status)
        return;
    const double c1 = g->cursorX(1);
    const double c2 = g->cursorX(2);
    p.status->showMessage(QString("Cursor 1: %1 kHz    Cursor 2: %2 kHz    Width: %3 kHz")
                              .arg(c1, 0, 'f', 3)
                              .arg(c2, 0, 'f', 3)
                              .arg(std::fabs(c2 - c1), 0, 'f', 3));
}

}  // namespace detail

using namespace detail;

int PlotSpectrum(int panel, int control, int plot, std::span<const double> y, double bandwidth,
                 Rgb colour) {
    GraphControl* g = GraphOf(panel, control);
    const QColor qcolour(colour.r, colour.g, colour.b);
    int handle = plot;
    if (plot == 0 || !g->updatePlot(plot, y, qcolour)) {
        if (plot != 0)
            g->removePlot(plot);
        handle = g->addPlot(y, bandwidth, qcolour);
    }
    g->replot(QCustomPlot::rpQueuedReplot);
    return handle;
}

void DeleteGraphPlot(int panel, int control, int plot) {
    GraphControl* g = GraphOf(panel, control);
    g->removePlot(plot);
    g->replot(QCustomPlot::rpQueuedReplot);
}

int GraphPlotCount(int panel, int control) {
    return GraphOf(panel, control)->plotCount();
}

Rgb GraphPlotColour(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    const QColor c = g->pen().color();
    return {c.red(), c.green(), c.blue()};
}

std::size_t GraphPlotPoints(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    return static_cast<std::size_t>(g->data()->size());
}

std::vector<double> GraphPlotValues(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(g->data()->size()));
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
        values.push_back(it->value);
    return values;
}

void SetAxisRange(int panel, int control, int xmode, double xmin, double xmax, int ymode,
                  double ymin, double ymax) {
    GraphControl* g = GraphOf(panel, control);
    if (xmode == VAL_MANUAL)
        g->setXRange(xmin, xmax);
    if (ymode == VAL_MANUAL)
        g->setYRange(ymin, ymax);
    else if (ymode == VAL_AUTOSCALE)
        g->setYAutoscale();
    g->replot(QCustomPlot::rpQueuedReplot);
    if (auto it = P().panels.find(panel); it != P().panels.end())
        UpdateStatus(it->second, g);
}

void GetAxisRange(int panel, int control, double& xmin, double& xmax, double& ymin, double& ymax) {
    GraphControl* g = GraphOf(panel, control);
    xmin = g->xAxis->range().lower;
    xmax = g->xAxis->range().upper;
    ymin = g->yAxis->range().lower;
    ymax = g->yAxis->range().upper;
}

void GetGraphCursor(int panel, int control, int cursor, double& x, double& y) {
    if (cursor != 1 && cursor != 2)
        throw UiError("the graph has cursors 1 and 2, not " + std::to_string(cursor));
    x = GraphOf(panel, control)->cursorX(cursor);
    y = 0.0;
}

void SetGraphCursor(int panel, int control, int cursor, double x) {
    if (cursor != 1 && cursor != 2)
        throw UiError("the graph has cursors 1 and 2, not " + std::to_string(cursor));
    GraphControl* g = GraphOf(panel, control);
    g->setCursorX(cursor, x);
    g->replot(QCustomPlot::rpQueuedReplot);
    UpdateStatus(PanelOf(panel), g);
}

void DragGraphCursor(int panel, int control, int cursor, double x) {
    SetGraphCursor(panel, control, cursor, x);
    Dispatch(panel, control, EVENT_VALUE_CHANGED);
}

void RefreshGraph(int panel, int control) {
    GraphOf(panel, control)->replot();
}

std::string StatusText(int panel) {
    Panel& p = PanelOf(panel);
    return p.status ? p.status->currentMessage().toStdString() : std::string();
}

}  // namespace pelorin::ui
