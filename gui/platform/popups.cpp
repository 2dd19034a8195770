#include "gui/platform/popups.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>
#include <optional>

#include "core/display/graph_math.h"
#include "gui/platform/graph_control.h"
#include "gui/platform/platform.h"
#include "gui/platform/ui.h"

namespace pelorin::ui {

namespace {

// The busy cursor is put aside while the operator answers a pop-up.
// The keyboard goes back to the window that was active once the operator
// has answered, so that its shortcuts work at once.
class CursorAside {
public:
    CursorAside() : busy_(WaitCursorShown()), active_(QApplication::activeWindow()) {
        if (busy_)
            SetWaitCursor(0);
    }
    ~CursorAside() {
        if (busy_)
            SetWaitCursor(1);
        if (active_)
            active_->activateWindow();
    }
    CursorAside(const CursorAside&) = delete;
    CursorAside& operator=(const CursorAside&) = delete;

private:
    bool busy_;
    QPointer<QWidget> active_;
};

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

// The dialog lives on the GUI thread and follows the worker's figures, which
// Update leaves in atomics, on a timer. It belongs to the main window, which
// the work never disables, and is not modal: its Cancel, Escape and its close
// box answer while input to the design is paused, and the view stays usable.
class QtProgress : public Progress {
public:
    QtProgress(const std::string& title, std::uint64_t total)
        : dialog_(QString::fromStdString(title), "Cancel", 0, 1000,
                  detail::MainWindowWidget() ? detail::MainWindowWidget() : ActiveWindow()),
          total_(total) {
        dialog_.setWindowTitle(QString::fromStdString(title));
        dialog_.setWindowModality(Qt::NonModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
        dialog_.show();
        QObject::connect(&dialog_, &QProgressDialog::canceled, &dialog_,
                         [this] { cancelled_ = true; });
        QObject::connect(&dialog_, &QDialog::rejected, &dialog_, [this] { cancelled_ = true; });
        QObject::connect(&timer_, &QTimer::timeout, &dialog_, [this] { Show(); });
        timer_.start(50);
    }
    bool Update(std::uint64_t done, std::uint64_t total, const std::string& text) override {
        if (total)
            total_ = total;
        done_ = done;
        {
            std::lock_guard lock(mutex_);
            text_ = text;
        }
        return !cancelled_;
    }

private:
    void Show() {
        {
            std::lock_guard lock(mutex_);
            dialog_.setLabelText(QString::fromStdString(text_));
        }
        const std::uint64_t total = total_;
        dialog_.setValue(total ? static_cast<int>(1000.0 * static_cast<double>(done_) /
                                                  static_cast<double>(total))
                               : 0);
    }

    QProgressDialog dialog_;
    QTimer timer_;
    std::atomic<std::uint64_t> total_;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::string text_;
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
        QFileDialog dialog(ActiveWindow(), title, dir, filter);
        if (r.button == VAL_SAVE_BUTTON) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!r.allow_make_directory)
                dialog.setOption(QFileDialog::ReadOnly);
            // A name typed without an extension gets the one of the list.
            if (spec.startsWith("*."))
                dialog.setDefaultSuffix(spec.mid(2));
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return VAL_NO_FILE_SELECTED;
        const QString chosen = dialog.selectedFiles().constFirst();
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

    void Graph(const std::string& title, std::span<const double> y, double step_us,
               const std::string& caption) override {
        ShowGraph(title, y, step_us, caption, {});
    }

    void GraphMeasured(const std::string& title, std::span<const double> y, double step_us,
                       const std::string& first,
                       const std::function<std::string()>& measure) override {
        std::future<std::string> pending = std::async(std::launch::async, measure);
        std::optional<std::string> caption;
        std::exception_ptr error;
        // Takes the worker's outcome once it is there.
        const auto take = [&] {
            if (caption || error ||
                pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                return;
            try {
                caption = pending.get();
            } catch (...) {
                error = std::current_exception();
            }
        };
        ShowGraph(title, y, step_us, first, [&](QLabel* label) {
            take();
            if (caption)
                label->setText(QString::fromStdString(*caption));
            else if (error)
                label->setText(label->text() + "\n(the spectrum could not be measured)");
            return caption || error;
        });
        // Closed before the measuring ended: the window waits for it as for
        // any long work.
        if (!caption && !error)
            RunBusy("Measuring the spectrum played once", [&] { pending.wait(); });
        take();
        if (error)
            std::rethrow_exception(error);
    }

    // The plot dialog; with update, polled until it returns true, to change
    // the caption while the dialog is open.
    void ShowGraph(const std::string& title, std::span<const double> y, double step_us,
                   const std::string& caption, const std::function<bool(QLabel*)>& update) {
        CursorAside aside;
        QDialog dialog(ActiveWindow());
        dialog.setWindowTitle(QString::fromStdString(title));
        dialog.resize(820, 480);
        auto* layout = new QVBoxLayout(&dialog);
        auto* plot = new GraphControl(&dialog, false);
        // The time axis in the unit that suits the record's length.
        const double span_us = step_us * static_cast<double>(y.size());
        const auto [unit, per_us] = span_us >= 1e6   ? std::pair{"s", 1e-6}
                                    : span_us >= 1e3 ? std::pair{"ms", 1e-3}
                                                     : std::pair{"µs", 1.0};
        const double step = step_us * per_us;
        plot->addPlot(y, 0.0, step, QColor(0, 0, 160), "Waveform");
        plot->legend->setVisible(false);
        plot->xAxis->setLabel(QString("Time (%1)").arg(QString::fromUtf8(unit)));
        plot->yAxis->setLabel("Amplitude (full scale ±1)");
        const double end = step * std::max<double>(1.0, static_cast<double>(y.size()) - 1.0);
        plot->setFullXRange(0.0, end);
        plot->setXRange(0.0, end);
        layout->addWidget(plot, 1);
        QTimer poll;
        if (!caption.empty()) {
            auto* figures = new QLabel(QString::fromStdString(caption), &dialog);
            figures->setObjectName("figures");
            figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
            layout->addWidget(figures);
            if (update) {
                QObject::connect(&poll, &QTimer::timeout, figures, [&poll, figures, &update] {
                    if (update(figures))
                        poll.stop();
                });
                poll.start(50);
            }
        }
        auto* hint = new QLabel("Wheel: zoom · right-drag: pan · Home: whole waveform", &dialog);
        hint->setStyleSheet("color: palette(mid);");
        layout->addWidget(hint);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        dialog.exec();
    }

    void Radii(const RadiusPlot& plot) override {
        CursorAside aside;
        detail::ShowRadiusDialog(plot, ActiveWindow());
    }

    bool Confirm(const std::string& title, const std::string& text) override {
        CursorAside aside;
        return QMessageBox::question(ActiveWindow(), QString::fromStdString(title),
                                     QString::fromStdString(text)) == QMessageBox::Yes;
    }

    SaveAnswer AskToSave(const std::string& title, const std::string& text) override {
        CursorAside aside;
        QMessageBox box(
            QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, ActiveWindow());
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
            case QMessageBox::Save:
                return SaveAnswer::Save;
            case QMessageBox::Discard:
                return SaveAnswer::Discard;
            default:
                return SaveAnswer::Cancel;
        }
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

namespace {

// Each kind of file opens in the folder its kind was last taken from.
std::string FolderKey(const std::string& spec) {
    return "folders/" + QString::fromStdString(spec).remove("*.").toStdString();
}

}  // namespace

int FileSelectPopup(const FileSelectRequest& request, std::string& path) {
    FileSelectRequest asked = request;
    if (asked.default_directory.empty())
        asked.default_directory = ReadSetting(FolderKey(request.default_spec)).value_or("");
    const int result = CurrentPopups().FileSelect(asked, path);
    if (result > 0 && request.button != VAL_SAVE_BUTTON)
        RememberFolder(request.default_spec, path);
    return result;
}

void RememberFolder(const std::string& spec, const std::string& path) {
    WriteSetting(FolderKey(spec),
                 QFileInfo(QString::fromStdString(path)).absolutePath().toStdString());
}

void MessagePopup(const std::string& title, const std::string& text) {
    CurrentPopups().Message(title, text);
}

void YGraphPopup(const std::string& title, std::span<const double> y, double step_us,
                 const std::string& caption) {
    CurrentPopups().Graph(title, y, step_us, caption);
}

void YGraphPopupMeasured(const std::string& title, std::span<const double> y, double step_us,
                         const std::string& first, const std::function<std::string()>& measure) {
    CurrentPopups().GraphMeasured(title, y, step_us, first, measure);
}

void XGraphPopup(const std::string& title, std::span<const double> y, double step_us,
                 const std::string& caption) {
    CurrentPopups().Graph(title, y, step_us, caption);
}

void RadiusPopup(const RadiusPlot& plot) {
    CurrentPopups().Radii(plot);
}

bool ConfirmPopup(const std::string& title, const std::string& text) {
    return CurrentPopups().Confirm(title, text);
}

SaveAnswer AskToSavePopup(const std::string& title, const std::string& text) {
    return CurrentPopups().AskToSave(title, text);
}

}  // namespace pelorin::ui
