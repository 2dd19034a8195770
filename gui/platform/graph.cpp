// The main graph: plots, axes, cursors and the status line that shows them.
#include <cmath>

#include "core/workspace/calibration.h"
#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

void UpdateStatus(Panel& p, GraphControl* g) {
    if (!p.readout)
        return;
    const double c1 = g->cursorX(1);
    const double c2 = g->cursorX(2);
    const std::optional<AxisUnit>& unit = g->xUnit();
    if (!unit) {
        p.readout->setText(QString("Cursor 1: %1 kHz    Cursor 2: %2 kHz    Width: %3 kHz")
                               .arg(c1, 0, 'f', 3)
                               .arg(c2, 0, 'f', 3)
                               .arg(std::fabs(c2 - c1), 0, 'f', 3));
        return;
    }
    // Each value with the decimals its point spacing supports, and that
    // spacing ("0.098 a point").
    const auto decimals = [&](double x) {
        return unit->spacing ? MzDecimals(unit->spacing(x)) : unit->decimals;
    };
    const auto in_unit = [&](double x) {
        const double u = unit->value(x);
        if (!std::isfinite(u))
            return QString("∞");  // m/z at 0 Hz
        return u > 0.0 ? QString::number(u, 'f', decimals(x)) : QString("—");
    };
    const auto at = [&](double x) {
        QString text = QString::fromStdString(unit->name) + " " + in_unit(x);
        if (unit->spacing) {
            const double step = unit->spacing(x);
            if (std::isfinite(step) && step > 0.0)
                text += QString(", %1 a point").arg(step, 0, 'g', 3);
        }
        return text;
    };
    const double u1 = unit->value(c1), u2 = unit->value(c2);
    const QString apart =
        std::isfinite(u1) && std::isfinite(u2)
            ? QString::number(std::fabs(u1 - u2), 'f', std::max(decimals(c1), decimals(c2)))
            : QString("∞");
    p.readout->setText(
        QString("Cursor 1: %1 kHz (%2)    Cursor 2: %3 kHz (%4)    Width: %5 kHz (Δ %6 %7)")
            .arg(c1, 0, 'f', 3)
            .arg(at(c1))
            .arg(c2, 0, 'f', 3)
            .arg(at(c2))
            .arg(std::fabs(c2 - c1), 0, 'f', 3)
            .arg(QString::fromStdString(unit->name), apart));
}

}  // namespace detail

using namespace detail;

namespace {

// Puts y (its points bandwidth / size apart) into plot, or into a new plot
// made by add(graph, step, colour) when plot is 0 or of another length;
// returns the plot's handle.
template <class Add>
int Plot(int panel, int control, int plot, std::span<const double> y, double bandwidth, Rgb colour,
         Add add) {
    GraphControl* g = GraphOf(panel, control);
    const QColor qcolour(colour.r, colour.g, colour.b);
    int handle = plot;
    if (plot == 0 || !g->updatePlot(plot, y, qcolour)) {
        if (plot != 0)
            g->removePlot(plot);
        const double step = y.empty() ? 1.0 : bandwidth / static_cast<double>(y.size());
        handle = add(g, step, qcolour);
    }
    g->replot(QCustomPlot::rpQueuedReplot);
    return handle;
}

}  // namespace

int PlotSpectrum(int panel, int control, int plot, std::span<const double> y, double bandwidth,
                 Rgb colour, const std::string& name) {
    return Plot(panel, control, plot, y, bandwidth, colour,
                [&](GraphControl* g, double step, const QColor& c) {
                    return g->addPlot(y, 0.0, step, c, QString::fromStdString(name));
                });
}

int PlotView(int panel, int control, int plot, std::span<const double> y, double bandwidth,
             Rgb colour, const std::string& name) {
    return Plot(panel, control, plot, y, bandwidth, colour,
                [&](GraphControl* g, double step, const QColor& c) {
                    return g->addViewPlot(y, 0.0, step, c, QString::fromStdString(name));
                });
}

int PlotSpectrum(int panel, int control, int plot, std::vector<double>&& y, double bandwidth,
                 Rgb colour, const std::string& name) {
    return Plot(panel, control, plot, y, bandwidth, colour,
                [&](GraphControl* g, double step, const QColor& c) {
                    return g->addPlot(std::move(y), 0.0, step, c, QString::fromStdString(name));
                });
}

void DeleteGraphPlot(int panel, int control, int plot) {
    GraphControl* g = GraphOf(panel, control);
    g->removePlot(plot);
    g->replot(QCustomPlot::rpQueuedReplot);
}

int GraphPlotCount(int panel, int control) {
    return GraphOf(panel, control)->plotCount();
}

namespace {
GraphControl* WithPlot(int panel, int control, int plot) {
    GraphControl* g = GraphOf(panel, control);
    if (!g->hasPlot(plot))
        throw UiError("no plot with handle " + std::to_string(plot));
    return g;
}
}  // namespace

Rgb GraphPlotColour(int panel, int control, int plot) {
    const QColor c = WithPlot(panel, control, plot)->plotColour(plot);
    return {c.red(), c.green(), c.blue()};
}

std::size_t GraphPlotPoints(int panel, int control, int plot) {
    return WithPlot(panel, control, plot)->plotValues(plot).size();
}

std::vector<double> GraphPlotValues(int panel, int control, int plot) {
    const auto values = WithPlot(panel, control, plot)->plotValues(plot);
    return {values.begin(), values.end()};
}

void SetGraphExtent(int panel, int control, double lo, double hi) {
    GraphOf(panel, control)->setFullXRange(lo, hi);
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

void SetGraphAxisUnit(int panel, int control, const std::optional<AxisUnit>& unit) {
    GraphControl* g = GraphOf(panel, control);
    g->setXUnit(unit);
    if (auto it = P().panels.find(panel); it != P().panels.end())
        UpdateStatus(it->second, g);
}

bool SaveGraphImage(int panel, int control, const std::string& path) {
    GraphControl* g = GraphOf(panel, control);
    const QString file = QString::fromStdString(path);
    if (file.endsWith(".pdf", Qt::CaseInsensitive))
        return g->savePdf(file);
    return g->savePng(file, 0, 0, 2.0);
}

void RefreshGraph(int panel, int control) {
    GraphOf(panel, control)->replot();
}

std::string StatusText(int panel) {
    Panel& p = PanelOf(panel);
    return p.readout ? p.readout->text().toStdString() : std::string();
}

std::string StatusMessage(int panel) {
    Panel& p = PanelOf(panel);
    return p.status ? p.status->currentMessage().toStdString() : std::string();
}

void ShowStatusMessage(int panel, const std::string& text) {
    Panel& p = PanelOf(panel);
    if (p.status)
        p.status->showMessage(QString::fromStdString(text), 10000);
}

void SetGraphDecibels(int panel, int control, bool on) {
    GraphOf(panel, control)->setDecibels(on);
}

bool GraphDecibels(int panel, int control) {
    return GraphOf(panel, control)->decibels();
}

}  // namespace pelorin::ui
