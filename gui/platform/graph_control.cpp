#include "gui/platform/graph_control.h"

#include <cmath>
#include <limits>

#include "core/memory.h"

namespace pelorin::ui {

namespace {
const QColor kCursorColours[2] = {QColor(0, 140, 0), QColor(200, 0, 200)};
constexpr double kGrabPixels = 6.0;
}  // namespace

GraphControl::GraphControl(QWidget* parent) : QCustomPlot(parent) {
    setMinimumSize(480, 300);
    xAxis->setRange(0.0, 1.0);
    yAxis->setRange(-0.05, 1.05);
    for (int i = 0; i < 2; ++i) {
        auto* line = new QCPItemStraightLine(this);  // owned by the plot
        QPen pen(kCursorColours[i]);
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        line->setPen(pen);
        line->setSelectable(false);
        cursors_[i] = line;
        setCursorX(i + 1, cursorX_[i]);
    }
    setNotAntialiasedElements(QCP::aeAll);
}

int GraphControl::addPlot(std::span<const double> y, double bandwidth, const QColor& colour) {
    QCPGraph* g = addGraph();
    const auto n = static_cast<int>(y.size());
    QVector<QCPGraphData> data;
    // Fresh memory of a long plot is advised for huge pages before it is
    // first written, and written once, key and value together.
    data.reserve(n);
    AdviseHugePages(data.data(), y.size() * sizeof(QCPGraphData));
    for (int i = 0; i < n; ++i)
        data.append(QCPGraphData(PointFrequency(static_cast<std::size_t>(i), y.size(), bandwidth),
                                 y[static_cast<std::size_t>(i)]));
    // The keys come in ascending order: no sort needed. The container shares
    // the vector's memory rather than copying it.
    g->data()->set(data, true);
    g->setPen(QPen(colour, 1.0));
    g->setLineStyle(QCPGraph::lsLine);
    g->setAdaptiveSampling(true);
    const int handle = nextHandle_++;
    plots_[handle] = g;
    fitYAxis();
    return handle;
}

bool GraphControl::updatePlot(int handle, std::span<const double> y, const QColor& colour) {
    QCPGraph* g = plot(handle);
    if (g == nullptr || static_cast<std::size_t>(g->data()->size()) != y.size())
        return false;
    // One handle on the container: each data() is a shared pointer's copy.
    const QSharedPointer<QCPGraphDataContainer> data = g->data();
    const auto end = data->end();
    std::size_t i = 0;
    for (auto it = data->begin(); it != end; ++it)
        it->value = y[i++];
    g->setPen(QPen(colour, 1.0));
    fitYAxis();
    return true;
}

void GraphControl::removePlot(int handle) {
    if (handle == -1) {
        for (auto& [h, g] : plots_)
            removeGraph(g);
        plots_.clear();
    } else if (auto it = plots_.find(handle); it != plots_.end()) {
        removeGraph(it->second);
        plots_.erase(it);
    }
    fitYAxis();
}

QCPGraph* GraphControl::plot(int handle) const {
    auto it = plots_.find(handle);
    return it == plots_.end() ? nullptr : it->second;
}

void GraphControl::setXRange(double lo, double hi) {
    const Range r = DrawableRange(lo, hi);
    const QCPRange old = xAxis->range();
    xAxis->setRange(r.lower, r.upper);
    placeCursorsIn(r.lower, r.upper, old.lower, old.upper);
    xManualSeen_ = true;
}

void GraphControl::setYRange(double lo, double hi) {
    const Range r = DrawableRange(lo, hi);
    yAxis->setRange(r.lower, r.upper);
    yManual_ = true;
}

void GraphControl::setYAutoscale() {
    yManual_ = false;
    fitYAxis();
}

void GraphControl::setCursorX(int cursor, double x) {
    cursorX_[cursor - 1] = x;
    QCPItemStraightLine* line = cursors_[cursor - 1];
    line->point1->setType(QCPItemPosition::ptPlotCoords);
    line->point2->setType(QCPItemPosition::ptPlotCoords);
    line->point1->setCoords(x, 0.0);
    line->point2->setCoords(x, 1.0);
}

// Keeps the cursors on the graph: on the first range, and whenever a cursor
// would fall outside a new range, both are placed at the same relative
// positions as before (a quarter and three quarters to begin with).
void GraphControl::placeCursorsIn(double lo, double hi, double oldLo, double oldHi) {
    const bool outside =
        cursorX_[0] < lo || cursorX_[0] > hi || cursorX_[1] < lo || cursorX_[1] > hi;
    if (xManualSeen_ && !outside)
        return;
    for (int i = 0; i < 2; ++i) {
        double f = oldHi > oldLo ? (cursorX_[i] - oldLo) / (oldHi - oldLo) : 0.25 + 0.5 * i;
        f = std::clamp(f, 0.0, 1.0);
        setCursorX(i + 1, lo + f * (hi - lo));
    }
}

void GraphControl::fitYAxis() {
    if (yManual_)
        return;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    bool any = false;
    for (const auto& [h, g] : plots_) {
        bool found = false;
        const QCPRange r = g->getValueRange(found);
        if (found) {
            lo = std::min(lo, r.lower);
            hi = std::max(hi, r.upper);
            any = true;
        }
    }
    const Range r = PaddedRange(lo, hi, any);
    yAxis->setRange(r.lower, r.upper);
}

double GraphControl::valueAtPixel(double px) const {
    return xAxis->pixelToCoord(px);
}

void GraphControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QCustomPlot::mousePressEvent(event);
        return;
    }
    const double px = event->position().x();
    // The nearer cursor within reach is taken; a click elsewhere in the plot
    // area brings the nearer cursor to the click.
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 2; ++i) {
        const double d = std::fabs(xAxis->coordToPixel(cursorX_[i]) - px);
        if (d < bestDistance) {
            bestDistance = d;
            best = i + 1;
        }
    }
    if (!axisRect()->rect().contains(event->position().toPoint()) && bestDistance > kGrabPixels) {
        QCustomPlot::mousePressEvent(event);
        return;
    }
    dragging_ = best;
    setCursorX(dragging_, valueAtPixel(px));
    replot(QCustomPlot::rpQueuedReplot);
    if (onCursorMoving)
        onCursorMoving();
}

void GraphControl::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ == 0) {
        QCustomPlot::mouseMoveEvent(event);
        return;
    }
    const QCPRange r = xAxis->range();
    setCursorX(dragging_, std::clamp(valueAtPixel(event->position().x()), r.lower, r.upper));
    replot(QCustomPlot::rpQueuedReplot);
    if (onCursorMoving)
        onCursorMoving();
}

void GraphControl::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ == 0) {
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    dragging_ = 0;
    if (onCursorMoved)
        onCursorMoved();
}

}  // namespace pelorin::ui
