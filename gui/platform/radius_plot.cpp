// The radius plot: what a waveform does to every m/z, coloured by what
// becomes of the ions, with the wall, the kept radius and the targets.
#include <qcustomplot.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/platform/platform.h"

namespace pelorin::ui::detail {

namespace {

// At most this many points a zone are drawn: the least and the largest
// radius of each stretch of the grid, which keeps every notch and edge.
constexpr std::size_t kDrawn = 6000;

QColor ZoneColour(RadiusPlot::Zone z) {
    switch (z) {
        case RadiusPlot::Ejected:
            return QColor(200, 40, 40);
        case RadiusPlot::Lost:
            return QColor(230, 140, 0);
        case RadiusPlot::Kept:
            return QColor(20, 140, 60);
        case RadiusPlot::Partial:
            return QColor(90, 90, 200);
    }
    return Qt::black;
}

const char* ZoneName(RadiusPlot::Zone z) {
    switch (z) {
        case RadiusPlot::Ejected:
            return "Ejected";
        case RadiusPlot::Lost:
            return "Lost on the way (swings to the wall)";
        case RadiusPlot::Kept:
            return "Kept";
        case RadiusPlot::Partial:
            return "Partly excited";
    }
    return "";
}

void Line(QCustomPlot* plot, double y, const QColor& colour, const QString& text) {
    auto* line = new QCPItemStraightLine(plot);
    line->point1->setCoords(0, y);
    line->point2->setCoords(1, y);
    line->setPen(QPen(colour, 1.2, Qt::DashLine));
    auto* label = new QCPItemText(plot);
    label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    label->position->setTypeY(QCPItemPosition::ptPlotCoords);
    label->position->setCoords(0.01, y);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setText(text);
    label->setColor(colour);
}

}  // namespace

void ShowRadiusDialog(const RadiusPlot& p, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromStdString(p.title));
    dialog.resize(900, 560);
    auto* layout = new QVBoxLayout(&dialog);
    auto* plot = new QCustomPlot(&dialog);
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    plot->xAxis->setLabel(QString::fromStdString(p.x_label));
    plot->yAxis->setLabel("Radius after the record (mm)");
    plot->legend->setVisible(true);
    plot->legend->setFont(QFont(plot->font().family(), 8));

    // Each zone a graph of its own points, thinned to the extremes of each
    // stretch.
    const std::size_t n = p.x.size();
    const std::size_t stretch = std::max<std::size_t>(1, n / kDrawn);
    double top = p.wall;
    for (auto z : {RadiusPlot::Ejected, RadiusPlot::Lost, RadiusPlot::Partial, RadiusPlot::Kept}) {
        QVector<double> xs, ys;
        for (std::size_t a = 0; a < n; a += stretch) {
            std::size_t lo = n, hi = n;
            for (std::size_t i = a; i < std::min(n, a + stretch); ++i) {
                if (p.zone[i] != z)
                    continue;
                if (lo == n || p.radius[i] < p.radius[lo])
                    lo = i;
                if (hi == n || p.radius[i] > p.radius[hi])
                    hi = i;
            }
            if (lo == n)
                continue;
            for (std::size_t i : {std::min(lo, hi), std::max(lo, hi)}) {
                if (i == hi && hi == lo && !xs.isEmpty() && xs.back() == p.x[i])
                    continue;
                xs.push_back(p.x[i]);
                ys.push_back(p.radius[i]);
                top = std::max(top, p.radius[i]);
            }
        }
        if (xs.isEmpty())
            continue;
        QCPGraph* g = plot->addGraph();
        g->setName(ZoneName(z));
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, ZoneColour(z), 3));
        g->setData(xs, ys, false);
    }
    Line(plot, p.wall, QColor(120, 0, 0), "wall");
    Line(plot, p.kept, QColor(0, 100, 40), "kept");
    for (const RadiusPlot::Mark& m : p.marks) {
        auto* dot = new QCPItemTracer(plot);
        dot->position->setCoords(m.x, m.radius);
        dot->setStyle(QCPItemTracer::tsCircle);
        dot->setSize(9);
        dot->setPen(QPen(Qt::black, 1.5));
        auto* label = new QCPItemText(plot);
        label->position->setCoords(m.x, m.radius);
        // Beside the mark, inside the plot whichever end it is near.
        const bool right_half = !p.x.empty() && m.x > 0.5 * (p.x.front() + p.x.back());
        label->setPositionAlignment((right_half ? Qt::AlignRight : Qt::AlignLeft) |
                                    Qt::AlignBottom);
        label->setText(QString::fromStdString(m.label));
        label->setPadding(right_half ? QMargins(0, 0, 10, 6) : QMargins(10, 0, 0, 6));
        label->setBrush(QColor(255, 255, 255, 210));
        top = std::max(top, m.radius);
    }
    if (n > 0) {
        const auto [lo, hi] = std::minmax_element(p.x.begin(), p.x.end());
        plot->xAxis->setRange(*lo, *hi);
    }
    plot->yAxis->setRange(0.0, 1.1 * top);
    layout->addWidget(plot, 1);
    auto* caption = new QLabel(QString::fromStdString(p.caption), &dialog);
    caption->setWordWrap(true);
    caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(caption);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace pelorin::ui::detail
