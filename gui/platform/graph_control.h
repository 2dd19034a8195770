// The main graph: QCustomPlot with plots addressed by handle and two vertical
// cursors that the operator drags.
#pragma once

#include <qcustomplot.h>

#include <array>
#include <functional>
#include <map>
#include <span>

#include "core/display/graph_math.h"

namespace pelorin::ui {

class GraphControl : public QCustomPlot {
public:
    explicit GraphControl(QWidget* parent = nullptr);

    // y[i] against PointFrequency(i, y.size(), bandwidth).
    int addPlot(std::span<const double> y, double bandwidth, const QColor& colour);
    // New values for a plot of as many points, written in its own memory;
    // false (nothing changed) when there is no such plot.
    bool updatePlot(int handle, std::span<const double> y, const QColor& colour);
    void removePlot(int handle);  // -1 removes every plot
    QCPGraph* plot(int handle) const;
    int plotCount() const { return static_cast<int>(plots_.size()); }

    void setXRange(double lo, double hi);
    void setYRange(double lo, double hi);  // manual from now on
    void setYAutoscale();

    double cursorX(int cursor) const { return cursorX_[cursor - 1]; }
    void setCursorX(int cursor, double x);

    // Called when the operator has moved a cursor (once, on release), and
    // while one is dragged.
    std::function<void()> onCursorMoved;
    std::function<void()> onCursorMoving;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitYAxis();
    void placeCursorsIn(double lo, double hi, double oldLo, double oldHi);
    double valueAtPixel(double px) const;

    std::map<int, QCPGraph*> plots_;
    int nextHandle_ = 1;
    std::array<QCPItemStraightLine*, 2> cursors_{};
    std::array<double, 2> cursorX_{0.25, 0.75};
    bool yManual_ = false;
    bool xManualSeen_ = false;
    int dragging_ = 0;  // cursor being dragged, 0 for none
};

}  // namespace pelorin::ui
