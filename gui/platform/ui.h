// The user-interface services every front-end callback relies on: panels
// loaded from the panel resource by id, controls and menu items addressed by
// integer ids, callbacks bound by name, the main graph with its plots and two
// cursors, the busy cursor and the event loop. The header is free of Qt so
// that callbacks compile without it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/platform/popups.h"

namespace pelorin::ui {

inline constexpr int EVENT_COMMIT = 1;
inline constexpr int EVENT_VALUE_CHANGED = 2;
inline constexpr int EVENT_CLOSE = 11;

// Axis range modes.
inline constexpr int VAL_MANUAL = 0;
inline constexpr int VAL_NO_CHANGE = -1;
inline constexpr int VAL_AUTOSCALE = 1;

// A panel, control or menu item the program asked for does not exist.
class UiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using ControlCallback = std::function<int(int panel, int control, int event)>;
using PanelCallback = std::function<int(int panel, int event)>;
using MenuCallback = std::function<void(int menubar, int item, int panel)>;

// Callbacks are bound to controls, panels and menu items by the names the
// panel resource gives; LoadPanel refuses a name that is not registered.
void RegisterControlCallback(const std::string& name, ControlCallback callback);
void RegisterPanelCallback(const std::string& name, PanelCallback callback);
void RegisterMenuCallback(const std::string& name, MenuCallback callback);

// --- Panels -------------------------------------------------------------
// Loads panel resource_id from the panel resource: "pelorin.uir" is the one
// compiled into the program, any other name a file on disk. Throws
// uir::UirError or UiError with a message naming the fault.
int LoadPanel(int parent, const std::string& file, int resource_id);
void DisplayPanel(int panel);
void HidePanel(int panel);
void DiscardPanel(int panel);
bool PanelVisible(int panel);
bool PanelExists(int panel);
// Offers the panel's close box to the operator's hand: raises EVENT_CLOSE.
void ClosePanel(int panel);

// --- Menus --------------------------------------------------------------
int GetPanelMenuBar(int panel);
// Dims or enables one item. An item without a bound callback stays dimmed.
void SetMenuItemDimmed(int menubar, int item, bool dimmed);
bool MenuItemDimmed(int menubar, int item);
// Chooses an item as the operator would; a dimmed item does nothing.
void ChooseMenuItem(int menubar, int item);
// The text of an item ("Undo notch 200–400 kHz").
void SetMenuItemLabel(int menubar, int item, const std::string& label);
std::string MenuItemLabel(int menubar, int item);
// Makes the item open a list of choices (recent files); choosing one runs the
// item's callback, where MenuItemChoice tells which (from 0). No choices dim
// the item.
void SetMenuItemChoices(int menubar, int item, const std::vector<std::string>& choices);
std::vector<std::string> MenuItemChoices(int menubar, int item);
int MenuItemChoice(int menubar, int item);
// Chooses entry index of an item's choices as the operator would.
void ChooseMenuItemChoice(int menubar, int item, int index);
// The check mark of an item of a group (one item of a group is checked).
void SetMenuItemChecked(int menubar, int item, bool checked);
bool MenuItemChecked(int menubar, int item);

// --- Controls -----------------------------------------------------------
double GetCtrlVal(int panel, int control);
int GetCtrlInt(int panel, int control);
std::uint32_t GetCtrlUInt(int panel, int control);
float GetCtrlFloat(int panel, int control);
// Sets a value as the program does: no event is raised. Numeric values are
// coerced into the control's range.
void SetCtrlVal(int panel, int control, double value);
void SetCtrlDimmed(int panel, int control, bool dimmed);
void SetCtrlVisible(int panel, int control, bool visible);
void SetCtrlLabel(int panel, int control, const std::string& label);
void SetCtrlIncrement(int panel, int control, double increment);
// The tooltip of a control, in place of the one the resource gives it.
void SetCtrlTip(int panel, int control, const std::string& tip);
std::string CtrlTip(int panel, int control);
void SetCtrlMaximum(int panel, int control, double maximum);
bool CtrlDimmed(int panel, int control);
bool CtrlVisible(int panel, int control);
std::string CtrlLabel(int panel, int control);
double CtrlIncrement(int panel, int control);
double CtrlMaximum(int panel, int control);

// A numeric entry of a panel whose text is no value within its range (left
// empty, not a number, beyond its limits): the control and what to say.
struct EntryProblem {
    int control;
    std::string message;
};
std::optional<EntryProblem> FindEntryProblem(int panel);

// Operator actions on a control: the value is entered and the events a
// person's entry raises follow (value changed, then commit).
void EnterCtrlVal(int panel, int control, double value);
// Sets the value only when the control can hold it as it is (a number within
// the entry's range, a choice the list offers); false, the control as it
// was, otherwise.
bool SetCtrlValIfAllowed(int panel, int control, double value);
// Presses a command button (commit).
void PressButton(int panel, int control);

// --- List boxes of labelled single-precision values ---------------------
int GetNumListItems(int panel, int control);
float GetValueFromIndex(int panel, int control, int index);
std::string GetLabelFromIndex(int panel, int control, int index);
// index -1 appends.
void InsertListItem(int panel, int control, int index, const std::string& label, float value);
void DeleteListItem(int panel, int control, int index, int count);
// Selected index, -1 when the list is empty.
int GetCtrlIndex(int panel, int control);
void SetCtrlIndex(int panel, int control, int index);

// --- Graphs -------------------------------------------------------------
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb VAL_RED{255, 0, 0};
inline constexpr Rgb VAL_BLUE{0, 0, 255};

// Draws y[i] against the frequency of point i of y.size() points over
// 0 … bandwidth kHz as a thin solid line; returns the plot handle. With `plot`
// naming a plot of as many points, that plot is redrawn with the new values in
// its own memory (an edit of a long profile touches no fresh memory);
// otherwise `plot` (when not 0) is removed and a new one made.
int PlotSpectrum(int panel, int control, int plot, std::span<const double> y, double bandwidth,
                 Rgb colour, const std::string& name);
// The same drawing values the caller keeps, without a copy: they must stay
// as long as the plot, or be drawn again before they go (a long profile).
int PlotView(int panel, int control, int plot, std::span<const double> y, double bandwidth,
             Rgb colour, const std::string& name);
// The same handing the values over (a new plot keeps them without a copy).
int PlotSpectrum(int panel, int control, int plot, std::vector<double>&& y, double bandwidth,
                 Rgb colour, const std::string& name);
// The x range the wheel, the keys and the drag pan may show at most.
void SetGraphExtent(int panel, int control, double lo, double hi);
// Removes one plot, or every plot with handle -1.
void DeleteGraphPlot(int panel, int control, int plot);
int GraphPlotCount(int panel, int control);
Rgb GraphPlotColour(int panel, int control, int plot);
std::size_t GraphPlotPoints(int panel, int control, int plot);
std::vector<double> GraphPlotValues(int panel, int control, int plot);
void SetAxisRange(int panel, int control, int xmode, double xmin, double xmax, int ymode,
                  double ymin, double ymax);
void GetAxisRange(int panel, int control, double& xmin, double& xmax, double& ymin, double& ymax);
// Cursor 1 or 2; the y value of a cursor is that of the graph's y axis at
// the cursor's crossing, 0 when there is no plot.
void GetGraphCursor(int panel, int control, int cursor, double& x, double& y);
// Places a cursor as the program does (no event).
void SetGraphCursor(int panel, int control, int cursor, double x);
// Drags a cursor as the operator does: raises EVENT_VALUE_CHANGED.
void DragGraphCursor(int panel, int control, int cursor, double x);
void RefreshGraph(int panel, int control);
// A second unit of a graph's x axis (m/z beside kHz): the axis is labelled
// with round values of it, placed where they fall, and the cursor read-out
// gives it beside the x value. value may return a non-finite number where
// the unit has none (m/z at 0 Hz).
struct AxisUnit {
    std::string label;                                                          // the axis title
    std::string name;                                                           // in the read-out
    int decimals = 3;                                                           // in the read-out
    std::function<double(double x)> value;                                      // x to the unit
    std::function<double(double u)> position;                                   // the unit to x
    std::function<std::vector<double>(double lo, double hi, int count)> ticks;  // in the unit
    // The unit's span over one profile point at x (its read-out shows as many
    // decimals as that supports); none where not set.
    std::function<double(double x)> spacing;
};
// nullopt goes back to the x axis' own ticks and label.
void SetGraphAxisUnit(int panel, int control, const std::optional<AxisUnit>& unit);
// Writes the graph as it stands to path: PDF for a name ending in ".pdf",
// PNG otherwise. False when the file cannot be written.
bool SaveGraphImage(int panel, int control, const std::string& path);
// The main window's status bar: the permanent cursor read-out, and the
// message shown for a while after a command.
std::string StatusText(int panel);
std::string StatusMessage(int panel);
void ShowStatusMessage(int panel, const std::string& text);

// The main window's figures pane: the figures of the waveform in hand, in
// sight beside the graph ("" says there is none).
void SetFiguresText(int panel, const std::string& text);
std::string FiguresPaneText(int panel);
void ShowFiguresPane(int panel, bool shown);
bool FiguresPaneShown(int panel);
// Draws the graph's magnitudes in decibels, or back on a linear scale.
void SetGraphDecibels(int panel, int control, bool on);
bool GraphDecibels(int panel, int control);

// --- Long work ----------------------------------------------------------
// Runs work on a worker thread while the event loop goes on: the windows
// repaint, timers fire and a progress dialog answers, but menus, panels and
// the graph take no input until it ends, so that nothing changes the
// workspace under it. The status bar says `what` meanwhile. Returns when the
// work has; an exception it threw is thrown here. work must not touch any
// window.
void RunBusy(const std::string& what, const std::function<void()>& work);
// Whether such work is running.
bool Busy();
// Focuses an entry and selects its text, for the operator to correct it.
void SelectCtrl(int panel, int control);
// The window title of a panel.
void SetPanelTitle(int panel, const std::string& title);

// --- Remembered between runs -------------------------------------------
// Settings live in QSettings' file, used only when it is a regular file or
// absent: a folder, a device or a pipe in its place (one would block the
// start, another be replaced by the first write) is left alone, said once,
// and the session runs on its defaults, remembering nothing. A settings file
// that cannot be written is said once too. What was said is kept for the
// status bar until taken.
std::optional<std::string> ReadSetting(const std::string& key);
void WriteSetting(const std::string& key, const std::string& value);
// A list of byte strings (file paths), kept exactly: any byte, a line feed
// or invalid UTF-8 included.
std::vector<std::string> ReadSettingList(const std::string& key);
void WriteSettingList(const std::string& key, const std::vector<std::string>& values);
// The file the settings are kept in.
std::string SettingsFile();
// What the settings layer has to say (refused or unwritable file), once.
std::optional<std::string> TakeSettingsNotice();
void RestoreGeometry(int panel, const std::string& key);
void SaveGeometry(int panel, const std::string& key);

// --- Help -----------------------------------------------------------------
// Shows the user guide compiled into the program, beside the main panel.
void ShowGuide(int main_panel);
// Whether the user guide's window is open.
bool GuideShown();

// --- Busy cursor, timing and the event loop -----------------------------
void SetWaitCursor(int on);
bool WaitCursorShown();
void Delay(double seconds);
void SetSleepPolicy(int policy);
int RunUserInterface();
void QuitUserInterface(int code);
// Whether QuitUserInterface has been called since the platform was reset.
bool QuitRequested();

// Renders a panel as it stands into a PNG file (documentation pictures).
bool GrabPanel(int panel, const std::string& png_path);

// Forgets every panel and registration (tests start each case afresh).
void ResetPlatform();

}  // namespace pelorin::ui
