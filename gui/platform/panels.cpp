// Panels built from the panel resource: windows and forms of controls, and
// what the program does with them.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>
#include <fstream>
#include <sstream>

#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

Panel& PanelOf(int panel) {
    auto it = P().panels.find(panel);
    if (it == P().panels.end())
        throw UiError("no panel with handle " + std::to_string(panel));
    return it->second;
}

}  // namespace detail

namespace {

using namespace detail;

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
    // A number outside the range stays as typed (Intermediate) instead of
    // being clamped without a word: the panel's command then refuses it.
    QValidator::State validate(QString& text, int&) const override {
        if (text.isEmpty() || text == "-" || text == "+" || text == "." || text == "-.")
            return QValidator::Intermediate;
        bool ok = false;
        const double v = QLocale::c().toDouble(text, &ok);
        if (!ok)
            return QValidator::Invalid;
        return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }

private:
    int shown_;
};

// A panel's close box raises EVENT_CLOSE; the panel callback decides.
template <class Base>
class PanelWindow : public Base {
public:
    explicit PanelWindow(int handle) : handle_(handle) {}

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        // Nothing closes while work runs on the workspace.
        if (!Busy())
            DispatchPanel(handle_, EVENT_CLOSE);
    }

private:
    int handle_;
};
using ToolPanelWindow = PanelWindow<QWidget>;
using MainPanelWindow = PanelWindow<QMainWindow>;

std::shared_ptr<const uir::Resource> Resource(const std::string& file) {
    auto& cache = P().resources;
    if (auto it = cache.find(file); it != cache.end())
        return it->second;
    std::string text;
    if (file == "pelorin.uir") {
        text = uir::PanelResourceText();
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

// What a tooltip says of an entry: its own tip, then its range with the unit
// its label names ("Bandwidth (kHz)": kHz).
QString EntryTip(const uir::ControlDef& c) {
    QString tip = QString::fromStdString(c.tip);
    const bool numeric = c.kind == uir::Kind::Int || c.kind == uir::Kind::UInt ||
                         c.kind == uir::Kind::Double || c.kind == uir::Kind::Float;
    if (!numeric)
        return tip;
    QString unit;
    const auto open = c.label.find('('), close = c.label.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
        unit = " " + QString::fromStdString(c.label.substr(open + 1, close - open - 1));
    const QLocale l = QLocale::c();
    const auto number = [&](double v) {
        return std::fabs(v) >= 1e7
                   ? l.toString(v, 'g', 6)
                   : l.toString(v, 'f', c.precision).remove(QRegularExpression("\\.?0+$"));
    };
    const QString range = "From " + number(c.min) + " to " + number(c.max) + unit + ".";
    return tip.isEmpty() ? range : tip + "\n" + range;
}

bool HasSideLabel(uir::Kind k) {
    return k != uir::Kind::Switch && k != uir::Kind::Button && k != uir::Kind::Text &&
           k != uir::Kind::Graph;
}

void PressDefault(int panel);

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
        if (const QString tip = EntryTip(c); !tip.isEmpty())
            w->setToolTip(tip);
        if (HasSideLabel(c.kind) && c.kind != uir::Kind::List)
            ctl.label = new QLabel(QString::fromStdString(c.label), host);
        if (!c.row.empty()) {
            auto it = rows.find(c.row);
            if (it == rows.end()) {
                auto* row = new QHBoxLayout;
                it = rows.emplace(c.row, row).first;
                // The row carries the first control's label.
                form->addRow(ctl.label ? ctl.label.data() : nullptr, row);
            } else if (ctl.label) {
                it->second->addWidget(ctl.label);
            }
            it->second->addWidget(w, c.kind == uir::Kind::Button ? 0 : 1);
            if (c.kind == uir::Kind::Button)
                p.rowCommands[c.row] = c.id;
        } else if (c.kind == uir::Kind::Button) {
            buttons->addWidget(w);
            p.command = c.id;
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
    // Enter presses the command of the row the focus is in (Add beside the
    // frequency entry), else the panel's command; Escape closes the panel.
    const int handle = p.handle;
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), host, nullptr, nullptr,
                                    Qt::WidgetWithChildrenShortcut);
        QObject::connect(enter, &QShortcut::activated, host, [handle] { PressDefault(handle); });
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), host, nullptr, nullptr,
                                 Qt::WidgetWithChildrenShortcut);
    QObject::connect(escape, &QShortcut::activated, host, [handle] { ClosePanel(handle); });
    for (const auto& c : p.def.controls) {
        if (!c.visible)
            SetCtrlVisible(p.handle, c.id, false);
        if (c.dimmed)
            SetCtrlDimmed(p.handle, c.id, true);
    }
}

// The command Enter stands for where the focus is.
void PressDefault(int panel) {
    auto it = P().panels.find(panel);
    if (it == P().panels.end())
        return;
    Panel& p = it->second;
    QWidget* focus = QApplication::focusWidget();
    int command = p.command;
    for (auto& [id, c] : p.controls) {
        if (c.widget && focus && (c.widget == focus || c.widget->isAncestorOf(focus))) {
            // What was typed counts, though the entry has not lost the focus;
            // an empty or out-of-range text stays as typed, for the command to
            // refuse rather than the entry to put the old value back.
            if (auto* spin = qobject_cast<QAbstractSpinBox*>(c.widget.data());
                spin && spin->hasAcceptableInput())
                spin->interpretText();
            if (auto row = p.rowCommands.find(c.def.row);
                !c.def.row.empty() && row != p.rowCommands.end())
                command = row->second;
        }
    }
    if (command != 0)
        PressButton(panel, command);
}

}  // namespace

namespace detail {

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

}  // namespace detail

int LoadPanel(int parent, const std::string& file, int resource_id) {
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
    // A tool window of the main window: above it, never lost behind it, and
    // its shortcuts reach the main window's menus.
    if (parent != 0 && def->menus.empty() && !IsTitlePanel(*def)) {
        window->setParent(PanelOf(parent).window,
                          Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        p.owner = parent;
    }
    p.window = window;
    return handle;
}

void DisplayPanel(int panel) {
    Panel& p = PanelOf(panel);
    if (p.owner != 0 && !p.placed) {
        // The first time: beside the main window where the screen has room,
        // else inside it at the left, clear of the menus and of the legend at
        // the graph's top right; each panel already open moves the next one
        // down and along, so that none hides another.
        const QWidget* main = PanelOf(p.owner).window;
        p.window->adjustSize();
        const QRect frame = main->frameGeometry();
        int open = 0;
        for (const auto& [h, other] : P().panels)
            if (h != panel && other.owner == p.owner && other.window && other.window->isVisible())
                ++open;
        const QScreen* screen = main->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        const int step = 28 * open;
        if (screen && frame.right() + 8 + p.window->width() <= room.right())
            p.window->move(frame.right() + 8, frame.top() + step);
        else
            p.window->move(frame.left() + 72 + step, frame.top() + 64 + step);
        p.placed = true;
    }
    p.window->show();
    p.window->raise();
    p.window->activateWindow();
}

void HidePanel(int panel) {
    Panel& p = PanelOf(panel);
    const bool shown = p.window->isVisible();
    p.window->hide();
    // The keyboard goes back to the main window, and its shortcuts with it.
    if (shown && p.owner != 0)
        if (auto it = P().panels.find(p.owner); it != P().panels.end() && it->second.window)
            it->second.window->activateWindow();
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

}  // namespace pelorin::ui
