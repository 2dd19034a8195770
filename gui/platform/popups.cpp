#include "gui/platform/popups.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QVBoxLayout>

#include "core/display/graph_math.h"
#include "gui/platform/ui.h"

namespace pelorin::ui {

namespace {

// The busy cursor is put aside while the operator answers a pop-up.
class CursorAside {
public:
    CursorAside() : busy_(WaitCursorShown()) {
        if (busy_)
            SetWaitCursor(0);
    }
    ~CursorAside() {
        if (busy_)
            SetWaitCursor(1);
    }
    CursorAside(const CursorAside&) = delete;
    CursorAside& operator=(const CursorAside&) = delete;

private:
    bool busy_;
};

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

class QtProgress : public Progress {
public:
    QtProgress(const std::string& title, std::uint64_t total)
        : dialog_(QString::fromStdString(title), "Cancel", 0, 1000, ActiveWindow()), total_(total) {
        dialog_.setWindowTitle(QString::fromStdString(title));
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
    }
    bool Update(std::uint64_t done, std::uint64_t total, const std::string& text) override {
        if (total)
            total_ = total;
        dialog_.setLabelText(QString::fromStdString(text));
        dialog_.setValue(total_ ? static_cast<int>(1000.0 * static_cast<double>(done) /
                                                   static_cast<double>(total_))
                                : 0);
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
    std::uint64_t total_;
};

class QtPopups : public Popups {
public:
    int FileSelect(const FileSelectRequest& r, std::string& path) override {
        CursorAside aside;
        QString spec = QString::fromStdString(r.default_spec);
        QString filter = spec.isEmpty() ? QString("All files (*)") : spec;
        if (!r.restrict_extension && !spec.isEmpty())
            filter += ";;All files (*)";
        const QString dir = QString::fromStdString(r.default_directory);
        const QString title = QString::fromStdString(r.title);
        QString chosen;
        if (r.button == VAL_SAVE_BUTTON) {
            QFileDialog::Options options;
            if (!r.allow_make_directory)
                options |= QFileDialog::ReadOnly;
            chosen =
                QFileDialog::getSaveFileName(ActiveWindow(), title, dir, filter, nullptr, options);
        } else {
            chosen = QFileDialog::getOpenFileName(ActiveWindow(), title, dir, filter);
        }
        if (chosen.isEmpty())
            return VAL_NO_FILE_SELECTED;
        path = chosen.toStdString();
        return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
    }

    void Message(const std::string& title, const std::string& text) override {
        CursorAside aside;
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                        QString::fromStdString(text), QMessageBox::Ok, ActiveWindow());
        const bool problem = title == "Error" || title == "Warning";
        box.setIcon(problem ? QMessageBox::Warning : QMessageBox::Information);
        box.exec();
    }

    void Graph(const std::string& title, std::span<const double> y) override {
        CursorAside aside;
        QDialog dialog(ActiveWindow());
        dialog.setWindowTitle(QString::fromStdString(title));
        dialog.resize(820, 480);
        auto* layout = new QVBoxLayout(&dialog);
        auto* plot = new QCustomPlot(&dialog);
        QVector<QCPGraphData> data(static_cast<int>(y.size()));
        double lo = 0.0;
        double hi = 0.0;
        for (int i = 0; i < data.size(); ++i) {
            data[i] = QCPGraphData(i, y[i]);
            lo = i == 0 ? y[i] : std::min(lo, y[i]);
            hi = i == 0 ? y[i] : std::max(hi, y[i]);
        }
        QCPGraph* g = plot->addGraph();
        g->data()->set(data, true);
        g->setPen(QPen(QColor(0, 0, 160), 1.0));
        plot->xAxis->setLabel("Sample");
        plot->yAxis->setLabel("Amplitude");
        plot->xAxis->setRange(0, std::max<double>(1.0, static_cast<double>(y.size()) - 1.0));
        const Range r = PaddedRange(lo, hi, !y.empty());
        plot->yAxis->setRange(r.lower, r.upper);
        plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
        layout->addWidget(plot, 1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        dialog.exec();
    }

    std::unique_ptr<Progress> StartProgress(const std::string& title,
                                            std::uint64_t total) override {
        return std::make_unique<QtProgress>(title, total);
    }
};

std::unique_ptr<Popups>& Installed() {
    static std::unique_ptr<Popups> popups;
    return popups;
}

}  // namespace

std::unique_ptr<Popups> MakeQtPopups() {
    return std::make_unique<QtPopups>();
}

void InstallPopups(std::unique_ptr<Popups> popups) {
    Installed() = std::move(popups);
}

Popups& CurrentPopups() {
    if (!Installed())
        Installed() = MakeQtPopups();
    return *Installed();
}

int FileSelectPopup(const FileSelectRequest& request, std::string& path) {
    return CurrentPopups().FileSelect(request, path);
}

void MessagePopup(const std::string& title, const std::string& text) {
    CurrentPopups().Message(title, text);
}

void YGraphPopup(const std::string& title, std::span<const double> y) {
    CurrentPopups().Graph(title, y);
}

void XGraphPopup(const std::string& title, std::span<const double> y) {
    CurrentPopups().Graph(title, y);
}

}  // namespace pelorin::ui
