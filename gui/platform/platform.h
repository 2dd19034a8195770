// The platform's own state, shared by its units and by nothing else: the
// panels built from the resource, their controls, the menu bars and the
// callbacks bound by name.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/uir/uir.h"
#include "gui/platform/graph_control.h"
#include "gui/platform/ui.h"

namespace pelorin::ui::detail {

struct Control {
    uir::ControlDef def;
    QPointer<QWidget> widget;
    QPointer<QLabel> label;
};

struct Panel {
    int handle = 0;
    uir::PanelDef def;
    QPointer<QWidget> window;
    QPointer<QStatusBar> status;
    QPointer<QLabel> readout;       // the cursors, permanently in the status bar
    QPointer<QWidget> busy;         // shown while work runs
    QPointer<QWidget> figuresPane;  // the waveform's figures, docked beside the graph
    QPointer<QLabel> figures;
    std::map<int, Control> controls;
    int menubar = 0;
    int owner = 0;                           // the main panel of a tool panel
    bool placed = false;                     // shown once, beside its owner
    int command = 0;                         // the button at the bottom
    std::map<std::string, int> rowCommands;  // the button of each row
};

struct MenuItem {
    QPointer<QAction> action;
    bool bound = false;
    bool while_busy = false;  // left available while work runs
    std::string callback;
    int panel = 0;
    int choice = -1;  // the entry of its choices last chosen
};

struct MenuBar {
    int panel = 0;
    std::map<int, MenuItem> items;
};

struct Platform {
    std::map<std::string, ControlCallback> controlCallbacks;
    std::map<std::string, PanelCallback> panelCallbacks;
    std::map<std::string, MenuCallback> menuCallbacks;
    std::map<std::string, std::shared_ptr<const uir::Resource>> resources;
    std::map<int, Panel> panels;
    std::map<int, MenuBar> menubars;
    int nextPanel = 1;
    int nextMenuBar = 1;
    bool busy = false;     // the wait cursor is shown
    bool working = false;  // RunBusy's work is running
    bool quit = false;     // QuitUserInterface was called
    // The settings file: not yet examined, fit for use, or left alone.
    enum class Settings { Unchecked, Usable, Refused } settings = Settings::Unchecked;
    bool settings_unwritable = false;            // said already
    std::optional<std::string> settings_notice;  // not yet shown
};

Platform& P();

Panel& PanelOf(int panel);
Control& ControlOf(int panel, int control);
MenuItem& MenuItemOf(int menubar, int item);

// The control's widget as W; UiError when it is of another kind.
template <class W>
W* WidgetOf(int panel, int control) {
    auto* w = dynamic_cast<W*>(ControlOf(panel, control).widget.data());
    if (!w)
        throw UiError("control " + std::to_string(control) + " is not of the kind asked for");
    return w;
}

inline GraphControl* GraphOf(int panel, int control) {
    return WidgetOf<GraphControl>(panel, control);
}

// Runs the callback bound to a control, a panel or a menu item. A callback
// that throws has failed in a way nobody planned for: it is reported rather
// than let unwind through the event loop.
void Dispatch(int panel, int control, int event);
void DispatchPanel(int panel, int event);
void DispatchMenu(int menubar, int item, int panel, const std::string& name);

// Builds the menu bar of a main panel from its resource entries.
void BuildMenus(Panel& p, QMainWindow* window);

// The widget of one control of the resource, in parent.
QWidget* MakeControl(Panel& p, const uir::ControlDef& c, QWidget* parent);
// The main window's graph, status line and figures pane, and its menus.
void BuildMainPanel(Panel& p, QMainWindow* window);
// A panel of text lines alone is the title panel: its lines, centred.
bool IsTitlePanel(const uir::PanelDef& def);
void BuildTitlePanel(Panel& p, QWidget* window);

// The main window, the owner of every pop-up that must stay usable while
// work runs; nullptr before one is loaded.
QWidget* MainWindowWidget();

// The modal radius plot of the Qt pop-ups.
void ShowRadiusDialog(const RadiusPlot& plot, QWidget* parent);

// Shows the graph cursors' positions in the panel's status line.
void UpdateStatus(Panel& p, GraphControl* g);

}  // namespace pelorin::ui::detail
