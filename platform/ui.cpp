#include "platform/ui.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/graph_control.h"
#include "platform/uir.h"

namespace pelorin::ui {

namespace {

// A numeric entry that keeps the exact value the program set: the display
// shows the resource's precision, but reading back an unedited entry gives
// the full double (a snapped bandwidth such as 12500/41 kHz stays exact).
class NumericEntry : public QDoubleSpinBox {
public:
    NumericEntry(int shown_decimals, QWidget* parent)
        : QDoubleSpinBox(parent), shown_(shown_decimals) {
        // Qt rounds a spin box's value to its decimals; 24 of them keep at
        // least 17 significant digits down to 1e-3, so every double the
        // program sets reads back unchanged.
        setDecimals(shown_decimals > 0 ? 24 : 0);
        setKeyboardTracking(false);
        setAccelerated(true);
    }
    QString textFromValue(double value) const override {
        return QLocale::c().toString(value, 'f', shown_);
    }
    double valueFromText(const QString& text) const override {
        if (text == textFromValue(value()))
            return value();
        return QLocale::c().toDouble(text);
    }
    QValidator::State validate(QString& text, int&) const override {
        if (text.isEmpty() || text == "-" || text == "+" || text == "." || text == "-.")
            return QValidator::Intermediate;
        bool ok = false;
        QLocale::c().toDouble(text, &ok);
        return ok ? QValidator::Acceptable : QValidator::Invalid;
    }

private:
    int shown_;
};

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
    std::map<int, Control> controls;
    int menubar = 0;
};

struct MenuItem {
    QPointer<QAction> action;
    bool bound = false;
    std::string callback;
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
    bool busy = false;
};

Platform& P() {
    static Platform platform;
    return platform;
}

void Dispatch(int panel, int control, int event);
void DispatchPanel(int panel, int event);

// A panel's close box raises EVENT_CLOSE; the panel callback decides.
template <class Base>
class PanelWindow : public Base {
public:
    explicit PanelWindow(int handle) : handle_(handle) {}

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        DispatchPanel(handle_, EVENT_CLOSE);
    }

private:
    int handle_;
};
using ToolPanelWindow = PanelWindow<QWidget>;
using MainPanelWindow = PanelWindow<QMainWindow>;

Panel& PanelOf(int panel) {
    auto it = P().panels.find(panel);
    if (it == P().panels.end())
        throw UiError("no panel with handle " + std::to_string(panel));
    return it->second;
}

Control& ControlOf(int panel, int control) {
    Panel& p = PanelOf(panel);
    auto it = p.controls.find(control);
    if (it == p.controls.end() || !it->second.widget)
        throw UiError("panel " + std::to_string(p.def.id) + " has no control " +
                      std::to_string(control));
    return it->second;
}

template <class W>
W* WidgetOf(int panel, int control) {
    auto* w = dynamic_cast<W*>(ControlOf(panel, control).widget.data());
    if (!w)
        throw UiError("control " + std::to_string(control) + " is not of the kind asked for");
    return w;
}

GraphControl* GraphOf(int panel, int control) {
    return WidgetOf<GraphControl>(panel, control);
}

MenuItem& MenuItemOf(int menubar, int item) {
    auto it = P().menubars.find(menubar);
    if (it == P().menubars.end())
        throw UiError("no menu bar with handle " + std::to_string(menubar));
    auto jt = it->second.items.find(item);
    if (jt == it->second.items.end())
        throw UiError("the menu bar has no item " + std::to_string(item));
    return jt->second;
}

// A callback that throws has failed in a way nobody planned for: report it
// rather than let it unwind through the event loop.
template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        if (P().busy)
            SetWaitCursor(0);
        MessagePopup("Error", std::string("The operation failed: ") + e.what());
    }
}

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

void UpdateStatus(Panel& p, GraphControl* g) {
    if (!p.status)
        return;
    const double c1 = g->cursorX(1);
    const double c2 = g->cursorX(2);
    p.status->showMessage(QString("Cursor 1: %1 kHz    Cursor 2: %2 kHz    Width: %3 kHz")
                              .arg(c1, 0, 'f', 3)
                              .arg(c2, 0, 'f', 3)
                              .arg(std::fabs(c2 - c1), 0, 'f', 3));
}

std::shared_ptr<const uir::Resource> Resource(const std::string& file) {
    auto& cache = P().resources;
    if (auto it = cache.find(file); it != cache.end())
        return it->second;
    std::string text;
    if (file == "pelorin.uir" || file.rfind(":/", 0) == 0) {
        QFile f(file == "pelorin.uir" ? QString(":/pelorin.uir") : QString::fromStdString(file));
        if (!f.open(QIODevice::ReadOnly))
            throw UiError("The panel resource " + file + " cannot be read.");
        text = f.readAll().toStdString();
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            throw UiError("The panel resource " + file + " cannot be opened.");
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    auto res = std::make_shared<const uir::Resource>(uir::ParseUir(text));
    cache[file] = res;
    return res;
}

void CheckBindings(const uir::PanelDef& def) {
    auto missing = [&](const std::string& name, int line) {
        throw UiError("pelorin.uir, line " + std::to_string(line) + ": no callback named \"" +
                      name + "\" exists in the program");
    };
    if (!def.callback.empty() && !P().panelCallbacks.count(def.callback))
        missing(def.callback, def.line);
    for (const auto& c : def.controls)
        if (!c.callback.empty() && !P().controlCallbacks.count(c.callback))
            missing(c.callback, c.line);
    for (const auto& m : def.menus)
        for (const auto& item : m.items)
            if (!item.callback.empty() && !P().menuCallbacks.count(item.callback))
                missing(item.callback, def.line);
}

QWidget* MakeControl(Panel& p, const uir::ControlDef& c, QWidget* parent) {
    const int panel = p.handle;
    const int id = c.id;
    switch (c.kind) {
        case uir::Kind::Int:
        case uir::Kind::UInt:
        case uir::Kind::Double:
        case uir::Kind::Float: {
            const bool whole = c.kind == uir::Kind::Int || c.kind == uir::Kind::UInt;
            auto* w = new NumericEntry(whole ? 0 : c.precision, parent);
            w->setRange(c.min, c.max);
            w->setValue(c.value);
            w->setSingleStep(c.increment);
            QObject::connect(w, &QDoubleSpinBox::valueChanged, w, [panel, id](double) {
                Dispatch(panel, id, EVENT_VALUE_CHANGED);
                Dispatch(panel, id, EVENT_COMMIT);
            });
            return w;
        }
        case uir::Kind::Switch: {
            auto* w = new QCheckBox(QString::fromStdString(c.label), parent);
            w->setChecked(c.value != 0.0);
            QObject::connect(w, &QCheckBox::clicked, w, [panel, id](bool) {
                Dispatch(panel, id, EVENT_VALUE_CHANGED);
                Dispatch(panel, id, EVENT_COMMIT);
            });
            return w;
        }
        case uir::Kind::Ring: {
            auto* w = new QComboBox(parent);
            for (const auto& [value, text] : c.items)
                w->addItem(QString::fromStdString(text), value);
            w->setCurrentIndex(std::max(0, w->findData(static_cast<int>(c.value))));
            QObject::connect(w, &QComboBox::activated, w, [panel, id](int) {
                Dispatch(panel, id, EVENT_VALUE_CHANGED);
                Dispatch(panel, id, EVENT_COMMIT);
            });
            return w;
        }
        case uir::Kind::Button: {
            auto* w = new QPushButton(QString::fromStdString(c.label), parent);
            w->setAutoDefault(false);
            QObject::connect(w, &QPushButton::clicked, w,
                             [panel, id] { Dispatch(panel, id, EVENT_COMMIT); });
            return w;
        }
        case uir::Kind::List: {
            auto* w = new QListWidget(parent);
            w->setMinimumHeight(140);
            w->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            return w;
        }
        case uir::Kind::Graph: {
            auto* g = new GraphControl(parent);
            g->xAxis->setLabel(QString::fromStdString(c.xlabel));
            g->yAxis->setLabel(QString::fromStdString(c.ylabel));
            g->onCursorMoving = [panel, g] {
                if (auto it = P().panels.find(panel); it != P().panels.end())
                    UpdateStatus(it->second, g);
            };
            g->onCursorMoved = [panel, id, g] {
                if (auto it = P().panels.find(panel); it != P().panels.end())
                    UpdateStatus(it->second, g);
                Dispatch(panel, id, EVENT_VALUE_CHANGED);
            };
            return g;
        }
        case uir::Kind::Text: {
            auto* w = new QLabel(QString::fromStdString(c.label), parent);
            w->setWordWrap(true);
            return w;
        }
    }
    return nullptr;
}

bool HasSideLabel(uir::Kind k) {
    return k != uir::Kind::Switch && k != uir::Kind::Button && k != uir::Kind::Text &&
           k != uir::Kind::Graph;
}

// Lays a tool panel out as a form: labelled entries, switches, rows of
// controls that share a row name, and the command buttons at the bottom.
void BuildForm(Panel& p, QWidget* host) {
    auto* outer = new QVBoxLayout(host);
    if (!p.def.note.empty()) {
        auto* note = new QLabel(QString::fromStdString(p.def.note), host);
        note->setWordWrap(true);
        note->setStyleSheet("color: palette(mid);");
        outer->addWidget(note);
    }
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    outer->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    std::map<std::string, QHBoxLayout*> rows;
    for (const auto& c : p.def.controls) {
        QWidget* w = MakeControl(p, c, host);
        Control ctl{c, w, nullptr};
        if (!c.tip.empty())
            w->setToolTip(QString::fromStdString(c.tip));
        if (HasSideLabel(c.kind) && c.kind != uir::Kind::List)
            ctl.label = new QLabel(QString::fromStdString(c.label), host);
        if (!c.row.empty()) {
            auto it = rows.find(c.row);
            if (it == rows.end()) {
                auto* row = new QHBoxLayout;
                it = rows.emplace(c.row, row).first;
                form->addRow(ctl.label ? ctl.label.data() : nullptr, row);
                ctl.label = ctl.label;  // the row carries the first control's label
            } else if (ctl.label) {
                it->second->addWidget(ctl.label);
            }
            it->second->addWidget(w, c.kind == uir::Kind::Button ? 0 : 1);
        } else if (c.kind == uir::Kind::Button) {
            buttons->addWidget(w);
        } else if (c.kind == uir::Kind::List) {
            auto* title = new QLabel(QString::fromStdString(c.label), host);
            form->addRow(title);
            form->addRow(w);
            ctl.label = title;
        } else if (ctl.label) {
            form->addRow(ctl.label, w);
        } else {
            form->addRow(w);
        }
        p.controls[c.id] = ctl;
    }
    outer->addStretch(1);
    outer->addLayout(buttons);
    for (const auto& c : p.def.controls) {
        if (!c.visible)
            SetCtrlVisible(p.handle, c.id, false);
        if (c.dimmed)
            SetCtrlDimmed(p.handle, c.id, true);
    }
}

void BuildMainPanel(Panel& p, MainPanelWindow* window) {
    auto* central = new QWidget(window);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    for (const auto& c : p.def.controls) {
        QWidget* w = MakeControl(p, c, central);
        layout->addWidget(w, c.kind == uir::Kind::Graph ? 1 : 0);
        p.controls[c.id] = Control{c, w, nullptr};
        if (c.dimmed)
            w->setEnabled(false);
        if (!c.visible)
            w->setVisible(false);
    }
    window->setCentralWidget(central);
    p.status = window->statusBar();

    MenuBar bar;
    bar.panel = p.handle;
    const int menubar = P().nextMenuBar++;
    for (const auto& m : p.def.menus) {
        QMenu* menu = window->menuBar()->addMenu(QString::fromStdString(m.title));
        for (const auto& item : m.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromStdString(item.label));
            if (!item.shortcut.empty())
                a->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
            const bool bound = !item.callback.empty();
            a->setEnabled(bound && !item.dimmed);
            const int panel = p.handle;
            const int id = item.id;
            const std::string name = item.callback;
            QObject::connect(a, &QAction::triggered, a, [menubar, panel, id, name] {
                auto cb = P().menuCallbacks.find(name);
                if (cb == P().menuCallbacks.end())
                    return;
                const MenuCallback f = cb->second;
                Guarded([&] { f(menubar, id, panel); });
            });
            bar.items[item.id] = MenuItem{a, bound, name};
        }
    }
    P().menubars[menubar] = std::move(bar);
    p.menubar = menubar;
}

void BuildTitlePanel(Panel& p, QWidget* window) {
    window->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(28, 24, 28, 24);
    bool first = true;
    for (const auto& c : p.def.controls) {
        auto* label = new QLabel(QString::fromStdString(c.label), window);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        QFont f = label->font();
        f.setPointSizeF(first ? f.pointSizeF() * 2.2 : f.pointSizeF() * 1.1);
        f.setBold(first);
        label->setFont(f);
        layout->addWidget(label);
        p.controls[c.id] = Control{c, label, nullptr};
        first = false;
    }
    window->setStyleSheet("background: #f4f6fa;");
}

bool IsTitlePanel(const uir::PanelDef& def) {
    for (const auto& c : def.controls)
        if (c.kind != uir::Kind::Text)
            return false;
    return !def.controls.empty();
}

}  // namespace

void RegisterControlCallback(const std::string& name, ControlCallback callback) {
    P().controlCallbacks[name] = std::move(callback);
}
void RegisterPanelCallback(const std::string& name, PanelCallback callback) {
    P().panelCallbacks[name] = std::move(callback);
}
void RegisterMenuCallback(const std::string& name, MenuCallback callback) {
    P().menuCallbacks[name] = std::move(callback);
}

int LoadPanel(int /*parent*/, const std::string& file, int resource_id) {
    const auto res = Resource(file);
    const uir::PanelDef* def = res->panel(resource_id);
    if (!def)
        throw UiError("The panel resource " + file + " holds no panel " +
                      std::to_string(resource_id) + ".");
    CheckBindings(*def);
    const int handle = P().nextPanel++;
    Panel& p = P().panels[handle];
    p.handle = handle;
    p.def = *def;
    QWidget* window = nullptr;
    if (!def->menus.empty()) {
        auto* w = new MainPanelWindow(handle);
        BuildMainPanel(p, w);
        window = w;
    } else {
        window = new ToolPanelWindow(handle);
        if (IsTitlePanel(*def))
            BuildTitlePanel(p, window);
        else
            BuildForm(p, window);
    }
    window->setWindowTitle(QString::fromStdString(def->title));
    if (def->width > 0 && def->height > 0)
        window->resize(def->width, def->height);
    p.window = window;
    return handle;
}

void DisplayPanel(int panel) {
    Panel& p = PanelOf(panel);
    p.window->show();
    p.window->raise();
    p.window->activateWindow();
}

void HidePanel(int panel) {
    PanelOf(panel).window->hide();
}

void DiscardPanel(int panel) {
    auto it = P().panels.find(panel);
    if (it == P().panels.end())
        return;
    if (it->second.menubar)
        P().menubars.erase(it->second.menubar);
    if (it->second.window) {
        it->second.window->hide();
        // The panel may be discarded from one of its own callbacks.
        it->second.window->deleteLater();
    }
    P().panels.erase(it);
}

bool PanelVisible(int panel) {
    return PanelOf(panel).window->isVisible();
}
bool PanelExists(int panel) {
    return P().panels.count(panel) != 0;
}
void ClosePanel(int panel) {
    DispatchPanel(panel, EVENT_CLOSE);
}

int GetPanelMenuBar(int panel) {
    return PanelOf(panel).menubar;
}

void SetMenuItemDimmed(int menubar, int item, bool dimmed) {
    MenuItem& m = MenuItemOf(menubar, item);
    m.action->setEnabled(m.bound && !dimmed);
}

bool MenuItemDimmed(int menubar, int item) {
    return !MenuItemOf(menubar, item).action->isEnabled();
}

void ChooseMenuItem(int menubar, int item) {
    MenuItemOf(menubar, item).action->trigger();
}

double GetCtrlVal(int panel, int control) {
    Control& c = ControlOf(panel, control);
    if (auto* n = dynamic_cast<QDoubleSpinBox*>(c.widget.data()))
        return n->value();
    if (auto* s = dynamic_cast<QCheckBox*>(c.widget.data()))
        return s->isChecked() ? 1.0 : 0.0;
    if (auto* r = dynamic_cast<QComboBox*>(c.widget.data()))
        return r->currentData().toInt();
    throw UiError("control " + std::to_string(control) + " holds no value");
}

int GetCtrlInt(int panel, int control) {
    const double v = GetCtrlVal(panel, control);
    if (!(v > -2147483649.0 && v < 2147483648.0))
        throw UiError("control " + std::to_string(control) + " holds no 32-bit integer");
    return static_cast<int>(v);
}

std::uint32_t GetCtrlUInt(int panel, int control) {
    const double v = GetCtrlVal(panel, control);
    if (!(v >= 0.0 && v < 4294967296.0))
        throw UiError("control " + std::to_string(control) + " holds no unsigned integer");
    return static_cast<std::uint32_t>(v);
}

float GetCtrlFloat(int panel, int control) {
    return static_cast<float>(GetCtrlVal(panel, control));
}

void SetCtrlVal(int panel, int control, double value) {
    Control& c = ControlOf(panel, control);
    QSignalBlocker block(c.widget.data());
    if (auto* n = dynamic_cast<QDoubleSpinBox*>(c.widget.data()))
        n->setValue(value);
    else if (auto* s = dynamic_cast<QCheckBox*>(c.widget.data()))
        s->setChecked(value != 0.0);
    else if (auto* r = dynamic_cast<QComboBox*>(c.widget.data())) {
        const int i = r->findData(static_cast<int>(value));
        if (i >= 0)
            r->setCurrentIndex(i);
    } else
        throw UiError("control " + std::to_string(control) + " holds no value");
}

void EnterCtrlVal(int panel, int control, double value) {
    SetCtrlVal(panel, control, value);
    Dispatch(panel, control, EVENT_VALUE_CHANGED);
    Dispatch(panel, control, EVENT_COMMIT);
}

void PressButton(int panel, int control) {
    Control& c = ControlOf(panel, control);
    if (!c.widget->isEnabled())
        return;
    Dispatch(panel, control, EVENT_COMMIT);
}

void SetCtrlDimmed(int panel, int control, bool dimmed) {
    Control& c = ControlOf(panel, control);
    c.widget->setEnabled(!dimmed);
    if (c.label)
        c.label->setEnabled(!dimmed);
}

void SetCtrlVisible(int panel, int control, bool visible) {
    Control& c = ControlOf(panel, control);
    auto* form = c.widget->parentWidget()
                     ? qobject_cast<QVBoxLayout*>(c.widget->parentWidget()->layout())
                     : nullptr;
    bool done = false;
    if (form) {
        // Hide the whole form row, label included, so that no gap remains.
        for (int i = 0; i < form->count() && !done; ++i)
            if (auto* f = qobject_cast<QFormLayout*>(form->itemAt(i)->layout())) {
                int row = -1;
                QFormLayout::ItemRole role;
                f->getWidgetPosition(c.widget, &row, &role);
                if (row >= 0) {
                    f->setRowVisible(row, visible);
                    done = true;
                }
            }
    }
    c.widget->setVisible(visible);
    if (c.label)
        c.label->setVisible(visible);
}

void SetCtrlLabel(int panel, int control, const std::string& label) {
    Control& c = ControlOf(panel, control);
    c.def.label = label;
    const QString text = QString::fromStdString(label);
    if (c.label)
        c.label->setText(text);
    else if (auto* b = dynamic_cast<QAbstractButton*>(c.widget.data()))
        b->setText(text);
}

void SetCtrlIncrement(int panel, int control, double increment) {
    WidgetOf<QDoubleSpinBox>(panel, control)->setSingleStep(increment);
}

void SetCtrlMaximum(int panel, int control, double maximum) {
    auto* n = WidgetOf<QDoubleSpinBox>(panel, control);
    QSignalBlocker block(n);
    n->setMaximum(maximum);
}

bool CtrlDimmed(int panel, int control) {
    return !ControlOf(panel, control).widget->isEnabled();
}
bool CtrlVisible(int panel, int control) {
    return !ControlOf(panel, control).widget->isHidden();
}
std::string CtrlLabel(int panel, int control) {
    return ControlOf(panel, control).def.label;
}
double CtrlIncrement(int panel, int control) {
    return WidgetOf<QDoubleSpinBox>(panel, control)->singleStep();
}
double CtrlMaximum(int panel, int control) {
    return WidgetOf<QDoubleSpinBox>(panel, control)->maximum();
}

int GetNumListItems(int panel, int control) {
    return WidgetOf<QListWidget>(panel, control)->count();
}

namespace {
QListWidgetItem* ListItem(int panel, int control, int index) {
    auto* item = WidgetOf<QListWidget>(panel, control)->item(index);
    if (!item)
        throw UiError("list control " + std::to_string(control) + " has no item " +
                      std::to_string(index));
    return item;
}
}  // namespace

float GetValueFromIndex(int panel, int control, int index) {
    return ListItem(panel, control, index)->data(Qt::UserRole).toFloat();
}

std::string GetLabelFromIndex(int panel, int control, int index) {
    return ListItem(panel, control, index)->text().toStdString();
}

void InsertListItem(int panel, int control, int index, const std::string& label, float value) {
    auto* list = WidgetOf<QListWidget>(panel, control);
    auto* item = new QListWidgetItem(QString::fromStdString(label));
    item->setData(Qt::UserRole, value);
    if (index < 0 || index > list->count())
        list->addItem(item);
    else
        list->insertItem(index, item);
    if (list->currentRow() < 0)
        list->setCurrentRow(0);
}

void DeleteListItem(int panel, int control, int index, int count) {
    auto* list = WidgetOf<QListWidget>(panel, control);
    for (int i = 0; i < count && index >= 0 && index < list->count(); ++i)
        delete list->takeItem(index);
}

int GetCtrlIndex(int panel, int control) {
    auto* list = WidgetOf<QListWidget>(panel, control);
    if (list->count() == 0)
        return -1;
    return std::max(0, list->currentRow());
}

void SetCtrlIndex(int panel, int control, int index) {
    WidgetOf<QListWidget>(panel, control)->setCurrentRow(index);
}

int PlotXY(int panel, int control, std::span<const double> x, std::span<const double> y,
           Rgb colour) {
    GraphControl* g = GraphOf(panel, control);
    const int handle = g->addPlot(x, y, QColor(colour.r, colour.g, colour.b));
    g->replot(QCustomPlot::rpQueuedReplot);
    return handle;
}

void DeleteGraphPlot(int panel, int control, int plot) {
    GraphControl* g = GraphOf(panel, control);
    g->removePlot(plot);
    g->replot(QCustomPlot::rpQueuedReplot);
}

int GraphPlotCount(int panel, int control) {
    return GraphOf(panel, control)->plotCount();
}

Rgb GraphPlotColour(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    const QColor c = g->pen().color();
    return {c.red(), c.green(), c.blue()};
}

std::size_t GraphPlotPoints(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    return static_cast<std::size_t>(g->data()->size());
}

std::vector<double> GraphPlotValues(int panel, int control, int plot) {
    QCPGraph* g = GraphOf(panel, control)->plot(plot);
    if (!g)
        throw UiError("no plot with handle " + std::to_string(plot));
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(g->data()->size()));
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
        values.push_back(it->value);
    return values;
}

void SetAxisRange(int panel, int control, int xmode, double xmin, double xmax, int ymode,
                  double ymin, double ymax) {
    GraphControl* g = GraphOf(panel, control);
    if (xmode == VAL_MANUAL)
        g->setXRange(xmin, xmax);
    if (ymode == VAL_MANUAL)
        g->setYRange(ymin, ymax);
    else if (ymode == VAL_AUTOSCALE)
        g->setYAutoscale();
    g->replot(QCustomPlot::rpQueuedReplot);
    if (auto it = P().panels.find(panel); it != P().panels.end())
        UpdateStatus(it->second, g);
}

void GetAxisRange(int panel, int control, double& xmin, double& xmax, double& ymin, double& ymax) {
    GraphControl* g = GraphOf(panel, control);
    xmin = g->xAxis->range().lower;
    xmax = g->xAxis->range().upper;
    ymin = g->yAxis->range().lower;
    ymax = g->yAxis->range().upper;
}

void GetGraphCursor(int panel, int control, int cursor, double& x, double& y) {
    if (cursor != 1 && cursor != 2)
        throw UiError("the graph has cursors 1 and 2, not " + std::to_string(cursor));
    x = GraphOf(panel, control)->cursorX(cursor);
    y = 0.0;
}

void SetGraphCursor(int panel, int control, int cursor, double x) {
    if (cursor != 1 && cursor != 2)
        throw UiError("the graph has cursors 1 and 2, not " + std::to_string(cursor));
    GraphControl* g = GraphOf(panel, control);
    g->setCursorX(cursor, x);
    g->replot(QCustomPlot::rpQueuedReplot);
    UpdateStatus(PanelOf(panel), g);
}

void DragGraphCursor(int panel, int control, int cursor, double x) {
    SetGraphCursor(panel, control, cursor, x);
    Dispatch(panel, control, EVENT_VALUE_CHANGED);
}

void RefreshGraph(int panel, int control) {
    GraphOf(panel, control)->replot();
}

std::string StatusText(int panel) {
    Panel& p = PanelOf(panel);
    return p.status ? p.status->currentMessage().toStdString() : std::string();
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

int RunUserInterface() {
    return QApplication::exec();
}

void QuitUserInterface(int code) {
    QCoreApplication::exit(code);
}

bool GrabPanel(int panel, const std::string& png_path) {
    Panel& p = PanelOf(panel);
    if (auto* g = p.window->findChild<GraphControl*>())
        g->replot();
    return p.window->grab().save(QString::fromStdString(png_path), "PNG");
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
}

}  // namespace pelorin::ui
