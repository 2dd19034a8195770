#include "gui/platform/graph_control.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/display/envelope.h"
#include "core/maxmin.h"
#include "core/memory.h"

namespace pelorin::ui {

namespace {
const QColor kCursorColours[2] = {QColor(0, 140, 0), QColor(200, 0, 200)};
constexpr double kGrabPixels = 6.0;
constexpr double kWheelZoom = 0.8;  // a notch of the wheel shows this share of the view
constexpr int kPixelsPerUnitTick = 60;
// The decibel scale: what lies farther below the largest value than the
// range shown, and zero itself, are drawn at the floor.
constexpr double kDecibelRange = 100.0;
constexpr double kDecibelFloor = -300.0;

double Decibels(double v) {
    const double size = std::fabs(v);
    return size > 0.0 ? std::max(20.0 * std::log10(size), kDecibelFloor) : kDecibelFloor;
}
}  // namespace

GraphControl::GraphControl(QWidget* parent, bool cursors)
    : QCustomPlot(parent), withCursors_(cursors) {
    setMinimumSize(480, 300);
    setFocusPolicy(Qt::StrongFocus);
    xAxis->setRange(0.0, 1.0);
    yAxis->setRange(-0.05, 1.05);
    legend->setVisible(false);
    legend->setBrush(QColor(255, 255, 255, 220));
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    if (withCursors_) {
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
    }
    setNotAntialiasedElements(QCP::aeAll);
    // Every change of the view draws the envelopes of what is now in it.
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange&) {
                drawEnvelopes();
                placeUnitTicks();
            });
}

void GraphControl::setXUnit(const std::optional<AxisUnit>& unit) {
    if (unit && !unit_) {
        ownLabel_ = xAxis->label();
        ownTicker_ = xAxis->ticker();
    }
    unit_ = unit;
    if (unit_) {
        xAxis->setLabel(QString::fromStdString(unit_->label));
        placeUnitTicks();
    } else if (ownTicker_) {
        xAxis->setLabel(ownLabel_);
        xAxis->setTicker(ownTicker_);
    }
    replot(rpQueuedReplot);
}

void GraphControl::placeUnitTicks() {
    if (!unit_)
        return;
    // The unit is not linear in x: its round values stand where they fall,
    // about one per kPixelsPerUnitTick pixels of axis.
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    ticker->setSubTickCount(0);
    const QCPRange r = xAxis->range();
    const int count = std::max(2, axisRect()->width() / kPixelsPerUnitTick);
    for (double u : unit_->ticks(r.lower, r.upper, count))
        ticker->addTick(unit_->position(u), QString::number(u, 'g', 10));
    xAxis->setTicker(ticker);
}

void GraphControl::Measure(Plot& p) {
    const ValueBounds b = BoundsOf(p.data());
    p.any = b.Any();
    if (p.any) {
        p.lo = b.lo;
        p.hi = b.hi;
    }
}

int GraphControl::addPlot(std::span<const double> y, double origin, double step,
                          const QColor& colour, const QString& name) {
    std::vector<double> values;
    // Advised for huge pages before the copy first touches it.
    ReserveLarge(values, y.size());
    values.assign(y.begin(), y.end());
    return addPlot(std::move(values), origin, step, colour, name);
}

int GraphControl::addViewPlot(std::span<const double> y, double origin, double step,
                              const QColor& colour, const QString& name) {
    const int handle = addPlot(std::vector<double>{}, origin, step, colour, name);
    Plot& p = plots_.at(handle);
    p.view = y;
    p.viewed = true;
    Measure(p);
    fitYAxis();
    drawEnvelopes();
    return handle;
}

int GraphControl::addPlot(std::vector<double>&& y, double origin, double step, const QColor& colour,
                          const QString& name) {
    Plot p;
    p.graph = addGraph();
    p.graph->setPen(QPen(colour, 1.0));
    p.graph->setLineStyle(QCPGraph::lsLine);
    p.graph->setAdaptiveSampling(false);  // the envelope is already per pixel
    p.graph->setName(name);
    p.values = std::move(y);
    p.origin = origin;
    p.step = step;
    Measure(p);
    const int handle = nextHandle_++;
    plots_.emplace(handle, std::move(p));
    legend->setVisible(true);
    yManual_ = false;  // a new plot: the value axis fits again
    fitYAxis();
    drawEnvelopes();
    return handle;
}

bool GraphControl::updatePlot(int handle, std::span<const double> y, const QColor& colour) {
    auto it = plots_.find(handle);
    if (it == plots_.end() || it->second.data().size() != y.size())
        return false;
    Plot& p = it->second;
    if (p.viewed)
        p.view = y;
    else
        std::copy(y.begin(), y.end(), p.values.begin());
    p.graph->setPen(QPen(colour, 1.0));
    Measure(p);
    yManual_ = false;
    fitYAxis();
    drawEnvelopes();
    return true;
}

void GraphControl::removePlot(int handle) {
    if (handle == -1) {
        for (auto& [h, p] : plots_)
            removeGraph(p.graph);
        plots_.clear();
    } else if (auto it = plots_.find(handle); it != plots_.end()) {
        removeGraph(it->second.graph);
        plots_.erase(it);
    }
    legend->setVisible(!plots_.empty());
    fitYAxis();
}

std::span<const double> GraphControl::plotValues(int handle) const {
    auto it = plots_.find(handle);
    return it == plots_.end() ? std::span<const double>() : it->second.data();
}

QColor GraphControl::plotColour(int handle) const {
    auto it = plots_.find(handle);
    return it == plots_.end() ? QColor() : it->second.graph->pen().color();
}

void GraphControl::drawEnvelopes() {
    const QCPRange view = xAxis->range();
    const int columns = std::max(axisRect()->width(), 100);
    for (auto& [h, p] : plots_) {
        if (p.viewed && frozen_)
            continue;  // its values may be changing: it keeps what it drew
        const std::vector<EnvelopePoint> points =
            Envelope(p.data(), p.origin, p.step, view.lower, view.upper, columns);
        QVector<QCPGraphData> data;
        data.reserve(static_cast<int>(points.size()));
        for (const EnvelopePoint& e : points)
            data.append(QCPGraphData(e.key, decibels_ ? Decibels(e.value) : e.value));
        p.graph->data()->set(data, true);
    }
}

void GraphControl::setFrozen(bool frozen) {
    frozen_ = frozen;
    if (!frozen_)
        drawEnvelopes();
}

void GraphControl::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    drawEnvelopes();
    placeUnitTicks();
}

void GraphControl::setFullXRange(double lo, double hi) {
    const Range r = DrawableRange(lo, hi);
    fullLo_ = r.lower;
    fullHi_ = r.upper;
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
    yManualRange_ = QCPRange(r.lower, r.upper);
    yManual_ = true;
    if (!decibels_)
        yAxis->setRange(r.lower, r.upper);
}

void GraphControl::setYAutoscale() {
    yManual_ = false;
    fitYAxis();
}

void GraphControl::setCursorX(int cursor, double x) {
    cursorX_[cursor - 1] = x;
    QCPItemStraightLine* line = cursors_[cursor - 1];
    if (line == nullptr)
        return;
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
    if (yManual_ && !decibels_)
        return;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    bool any = false;
    for (const auto& [h, p] : plots_) {
        if (!p.any)
            continue;
        if (decibels_) {
            // The smallest and the largest size of the plot's values.
            const double largest = std::max(std::fabs(p.lo), std::fabs(p.hi));
            const double least =
                p.lo <= 0.0 && p.hi >= 0.0 ? 0.0 : std::min(std::fabs(p.lo), std::fabs(p.hi));
            lo = std::min(lo, Decibels(least));
            hi = std::max(hi, Decibels(largest));
        } else {
            lo = std::min(lo, p.lo);
            hi = std::max(hi, p.hi);
        }
        any = true;
    }
    if (decibels_ && any)
        lo = std::max(lo, hi - kDecibelRange);
    const Range r = PaddedRange(lo, hi, any);
    yAxis->setRange(r.lower, r.upper);
}

void GraphControl::setDecibels(bool on) {
    if (on == decibels_)
        return;
    if (on)
        linearYLabel_ = yAxis->label();
    decibels_ = on;
    yAxis->setLabel(on ? linearYLabel_ + " (dB)" : linearYLabel_);
    if (!on && yManual_)
        yAxis->setRange(yManualRange_);
    fitYAxis();
    drawEnvelopes();
    replot(rpQueuedReplot);
}

double GraphControl::valueAtPixel(double px) const {
    return xAxis->pixelToCoord(px);
}

void GraphControl::showX(double lo, double hi) {
    // Wheel, pan and keys never leave the full range, nor empty the view.
    const double width = std::min(hi - lo, fullHi_ - fullLo_);
    lo = std::clamp(lo, fullLo_, fullHi_ - width);
    const Range r = DrawableRange(lo, lo + width);
    xAxis->setRange(r.lower, r.upper);
    replot(QCustomPlot::rpQueuedReplot);
}

void GraphControl::zoomAround(double x, double factor) {
    const QCPRange r = xAxis->range();
    showX(x - (x - r.lower) * factor, x + (r.upper - x) * factor);
}

void GraphControl::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0)
        return;
    zoomAround(valueAtPixel(event->position().x()), std::pow(kWheelZoom, notches));
    event->accept();
}

void GraphControl::keyPressEvent(QKeyEvent* event) {
    const QCPRange r = xAxis->range();
    const bool fine = event->modifiers() & Qt::ControlModifier;
    const double step = r.size() / (fine ? 1000.0 : 100.0);
    const int cursor = event->modifiers() & Qt::ShiftModifier ? 2 : 1;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            if (!withCursors_ || cursorsLocked_)
                break;
            const double move = event->key() == Qt::Key_Left ? -step : step;
            setCursorX(cursor, std::clamp(cursorX(cursor) + move, r.lower, r.upper));
            replot(QCustomPlot::rpQueuedReplot);
            if (onCursorMoved)
                onCursorMoved();
            return;
        }
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAround(r.center(), kWheelZoom);
            return;
        case Qt::Key_Minus:
            zoomAround(r.center(), 1.0 / kWheelZoom);
            return;
        case Qt::Key_Home:
            showX(fullLo_, fullHi_);
            return;
        default:
            break;
    }
    QCustomPlot::keyPressEvent(event);
}

void GraphControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        // Drag pans the view along x.
        panning_ = true;
        panFromPixel_ = event->position().x();
        panFromRange_ = xAxis->range();
        return;
    }
    if (event->button() != Qt::LeftButton || !withCursors_ || cursorsLocked_) {
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
    if (panning_) {
        const double per_pixel = panFromRange_.size() / std::max(axisRect()->width(), 1);
        const double shift = (panFromPixel_ - event->position().x()) * per_pixel;
        showX(panFromRange_.lower + shift, panFromRange_.upper + shift);
        return;
    }
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
    if (panning_) {
        panning_ = false;
        return;
    }
    if (dragging_ == 0) {
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    dragging_ = 0;
    if (onCursorMoved)
        onCursorMoved();
}

}  // namespace pelorin::ui
