// The callback registry and dispatch, the busy cursor, the event loop and
// the platform's reset.
#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <exception>
#include <thread>
#include <vector>

#include "gui/platform/platform.h"
#include "gui/platform/popups.h"

namespace pelorin::ui {

namespace detail {

Platform& P() {
    static Platform platform;
    return platform;
}

namespace {

template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (const std::bad_alloc&) {
        if (P().busy)
            SetWaitCursor(0);
        MessagePopup("Error",
                     "There is not enough memory for this operation: close other programs or "
                     "work with fewer samples. Nothing has been changed or written.");
    } catch (const std::exception& e) {
        if (P().busy)
            SetWaitCursor(0);
        MessagePopup("Error", std::string("The operation failed: ") + e.what());
    }
}

}  // namespace

void Dispatch(int panel, int control, int event) {
    auto pit = P().panels.find(panel);
    if (pit == P().panels.end())
        return;
    auto cit = pit->second.controls.find(control);
    if (cit == pit->second.controls.end())
        return;
    const std::string name = cit->second.def.callback;  // the panel may go away meanwhile
    if (name.empty())
        return;
    auto cb = P().controlCallbacks.find(name);
    if (cb == P().controlCallbacks.end())
        return;
    const ControlCallback f = cb->second;
    Guarded([&] { f(panel, control, event); });
}

void DispatchPanel(int panel, int event) {
    auto pit = P().panels.find(panel);
    if (pit == P().panels.end())
        return;
    const std::string name = pit->second.def.callback;
    if (name.empty()) {
        // A tool panel without a panel callback simply closes.
        if (event == EVENT_CLOSE)
            HidePanel(panel);
        return;
    }
    auto cb = P().panelCallbacks.find(name);
    if (cb == P().panelCallbacks.end())
        return;
    const PanelCallback f = cb->second;
    Guarded([&] { f(panel, event); });
}

void DispatchMenu(int menubar, int item, int panel, const std::string& name) {
    auto cb = P().menuCallbacks.find(name);
    if (cb == P().menuCallbacks.end())
        return;
    const MenuCallback f = cb->second;
    Guarded([&] { f(menubar, item, panel); });
}

}  // namespace detail

using namespace detail;

void RegisterControlCallback(const std::string& name, ControlCallback callback) {
    P().controlCallbacks[name] = std::move(callback);
}
void RegisterPanelCallback(const std::string& name, PanelCallback callback) {
    P().panelCallbacks[name] = std::move(callback);
}
void RegisterMenuCallback(const std::string& name, MenuCallback callback) {
    P().menuCallbacks[name] = std::move(callback);
}
void SetWaitCursor(int on) {
    if (on && !P().busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        P().busy = true;
    } else if (!on && P().busy) {
        QApplication::restoreOverrideCursor();
        P().busy = false;
    }
}

bool WaitCursorShown() {
    return P().busy;
}

void Delay(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

void SetSleepPolicy(int) {}  // Qt's event loop sleeps while idle already

namespace {

// Takes away, while work runs, the input that could change the design: the
// tool panels, the menu items that are not marked to stay available, and the
// graph's cursors; zoom, pan, the axis and the view stay in the operator's
// hands. Gives it back as it was.
class InputPaused {
public:
    explicit InputPaused(const std::string& what) {
        for (auto& [handle, p] : P().panels) {
            if (!p.window || !p.window->isEnabled())
                continue;
            if (qobject_cast<QMainWindow*>(p.window.data())) {
                for (GraphControl* g : p.window->findChildren<GraphControl*>())
                    if (!g->cursorsLocked()) {
                        g->setCursorsLocked(true);
                        g->setFrozen(true);
                        graphs_.push_back(g);
                    }
                if (p.busy)
                    p.busy->setVisible(true);
                if (p.status)
                    p.status->showMessage(QString::fromStdString(what) + "…");
                status_.push_back(p.status);
                busy_.push_back(p.busy);
            } else {
                paused_.push_back(p.window);
            }
        }
        for (auto& [id, bar] : P().menubars)
            for (auto& [item, m] : bar.items)
                if (m.action && m.action->isEnabled() && !m.while_busy) {
                    m.action->setEnabled(false);
                    actions_.push_back(m.action);
                }
        for (QWidget* w : paused_)
            if (w)
                w->setEnabled(false);
        P().working = true;
    }
    ~InputPaused() {
        P().working = false;
        for (QWidget* w : paused_)
            if (w)
                w->setEnabled(true);
        for (GraphControl* g : graphs_)
            if (g) {
                g->setCursorsLocked(false);
                g->setFrozen(false);
            }
        for (QAction* a : actions_)
            if (a)
                a->setEnabled(true);
        for (QWidget* b : busy_)
            if (b)
                b->setVisible(false);
        for (QStatusBar* s : status_)
            if (s)
                s->clearMessage();
    }
    InputPaused(const InputPaused&) = delete;
    InputPaused& operator=(const InputPaused&) = delete;

private:
    std::vector<QPointer<QWidget>> paused_;
    std::vector<QPointer<GraphControl>> graphs_;
    std::vector<QPointer<QAction>> actions_;
    std::vector<QPointer<QWidget>> busy_;
    std::vector<QPointer<QStatusBar>> status_;
};

}  // namespace

QWidget* detail::MainWindowWidget() {
    for (auto& [handle, p] : P().panels)
        if (auto* main = qobject_cast<QMainWindow*>(p.window.data()))
            return main;
    return nullptr;
}

void RunBusy(const std::string& what, const std::function<void()>& work) {
    if (P().working) {
        // Already on the worker's behalf: run where we are.
        work();
        return;
    }
    InputPaused paused(what);
    std::exception_ptr error;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // Posted quits wait in the queue until the loop runs: none is lost.
    loop.exec(QEventLoop::ExcludeSocketNotifiers);
    worker.join();
    if (error)
        std::rethrow_exception(error);
}

bool Busy() {
    return P().working;
}

int RunUserInterface() {
    return QApplication::exec();
}

void QuitUserInterface(int code) {
    P().quit = true;
    QCoreApplication::exit(code);
}

bool QuitRequested() {
    return P().quit;
}

void ResetPlatform() {
    SetWaitCursor(0);
    for (auto& [h, p] : P().panels)
        if (p.window)
            delete p.window.data();
    P().panels.clear();
    P().menubars.clear();
    P().controlCallbacks.clear();
    P().panelCallbacks.clear();
    P().menuCallbacks.clear();
    P().resources.clear();
    P().quit = false;
    P().settings = Platform::Settings::Unchecked;
    P().settings_unwritable = false;
    P().settings_notice.reset();
}

}  // namespace pelorin::ui
