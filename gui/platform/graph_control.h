// A graph of long series: QCustomPlot drawing, for each plot, the min/max
// envelope of the points in view per pixel column (recomputed when the view
// or the size changes), with plots addressed by handle, a legend, wheel zoom
// and drag pan along the x axis, and, on the main graph, two vertical cursors
// that the operator drags with the mouse or moves with the keyboard.
#pragma once

#include <qcustomplot.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/display/graph_math.h"
#include "gui/platform/ui.h"

namespace pelorin::ui {

class GraphControl : public QCustomPlot {
public:
    explicit GraphControl(QWidget* parent = nullptr, bool cursors = true);

    // y[i] drawn at x = origin + i * step, named in the legend. Returns the
    // plot's handle.
    // The same taking the values themselves, without a copy.
    int addPlot(std::vector<double>&& y, double origin, double step, const QColor& colour,
                const QString& name);
    int addPlot(std::span<const double> y, double origin, double step, const QColor& colour,
                const QString& name);
    // A plot of values the caller keeps (a long profile, not copied): they
    // must outlive the plot, or the plot be told of new ones by updatePlot
    // (same handle, a view again) before they go. While the graph is frozen
    // such plots keep what they last drew.
    int addViewPlot(std::span<const double> y, double origin, double step, const QColor& colour,
                    const QString& name);
    // New values for a plot of as many points: written in its own memory, or
    // for a view plot the view itself; false (nothing changed) when there is
    // no such plot.
    bool updatePlot(int handle, std::span<const double> y, const QColor& colour);
    // Freezes the view plots while work may be writing their values.
    void setFrozen(bool frozen);
    bool frozen() const { return frozen_; }
    void removePlot(int handle);  // -1 removes every plot
    bool hasPlot(int handle) const { return plots_.count(handle) != 0; }
    int plotCount() const { return static_cast<int>(plots_.size()); }
    // Everything a plot holds, not only what is drawn.
    std::span<const double> plotValues(int handle) const;
    QColor plotColour(int handle) const;

    void setXRange(double lo, double hi);
    void setYRange(double lo, double hi);  // manual from now on
    void setYAutoscale();
    // The x range the wheel and the keyboard zoom out to, at most.
    void setFullXRange(double lo, double hi);

    // Draws magnitudes in decibels (20 log10 |y|, 100 dB shown below the
    // largest), the values kept as they are; the y axis then always fits
    // what is drawn.
    void setDecibels(bool on);
    bool decibels() const { return decibels_; }

    // Labels the x axis in a second unit; nullopt goes back to its own
    // numbers and title.
    void setXUnit(const std::optional<AxisUnit>& unit);
    const std::optional<AxisUnit>& xUnit() const { return unit_; }

    double cursorX(int cursor) const { return cursorX_[cursor - 1]; }
    // While locked, neither the mouse nor the keys move the cursors (zoom and
    // pan still work).
    void setCursorsLocked(bool locked) { cursorsLocked_ = locked; }
    bool cursorsLocked() const { return cursorsLocked_; }
    void setCursorX(int cursor, double x);

    // Called when the operator has moved a cursor (once, on release, or per
    // key press), and while one is dragged.
    std::function<void()> onCursorMoved;
    std::function<void()> onCursorMoving;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Plot {
        QCPGraph* graph = nullptr;
        std::vector<double> values;    // owned values, or
        std::span<const double> view;  // those of the caller
        bool viewed = false;
        std::span<const double> data() const { return viewed ? view : std::span(values); }
        double origin = 0.0;
        double step = 1.0;
        double lo = 0.0;  // smallest and largest value, NaN aside
        double hi = 0.0;
        bool any = false;
    };

    void drawEnvelopes();
    void fitYAxis();
    void placeCursorsIn(double lo, double hi, double oldLo, double oldHi);
    double valueAtPixel(double px) const;
    // Zooms the x axis by factor around x, within the full range.
    void zoomAround(double x, double factor);
    void showX(double lo, double hi);
    static void Measure(Plot& p);
    // Ticks of the second unit for the x range in view.
    void placeUnitTicks();

    std::map<int, Plot> plots_;
    int nextHandle_ = 1;
    bool withCursors_;
    bool cursorsLocked_ = false;
    bool frozen_ = false;
    std::array<QCPItemStraightLine*, 2> cursors_{};
    std::array<double, 2> cursorX_{0.25, 0.75};
    bool yManual_ = false;
    QCPRange yManualRange_;
    bool xManualSeen_ = false;
    int dragging_ = 0;  // cursor being dragged, 0 for none
    bool panning_ = false;
    double panFromPixel_ = 0.0;
    QCPRange panFromRange_;
    double fullLo_ = 0.0;
    double fullHi_ = 1.0;
    bool decibels_ = false;
    QString linearYLabel_;
    std::optional<AxisUnit> unit_;
    QString ownLabel_;
    QSharedPointer<QCPAxisTicker> ownTicker_;
};

}  // namespace pelorin::ui
