// Reading and setting controls and list boxes, as the program and as the
// operator does.
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QListWidget>
#include <QLocale>
#include <QMainWindow>
#include <QVBoxLayout>
#include <cmath>

#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

Control& ControlOf(int panel, int control) {
    Panel& p = PanelOf(panel);
    auto it = p.controls.find(control);
    if (it == p.controls.end() || !it->second.widget)
        throw UiError("panel " + std::to_string(p.def.id) + " has no control " +
                      std::to_string(control));
    return it->second;
}

}  // namespace detail

using namespace detail;

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

bool SetCtrlValIfAllowed(int panel, int control, double value) {
    Control& c = ControlOf(panel, control);
    if (!std::isfinite(value))
        return false;
    if (auto* n = dynamic_cast<QDoubleSpinBox*>(c.widget.data())) {
        if (value < n->minimum() || value > n->maximum())
            return false;
    } else if (auto* r = dynamic_cast<QComboBox*>(c.widget.data())) {
        if (value != std::trunc(value) || std::fabs(value) > 1e9 ||
            r->findData(static_cast<int>(value)) < 0)
            return false;
    } else if (!dynamic_cast<QCheckBox*>(c.widget.data())) {
        return false;
    }
    SetCtrlVal(panel, control, value);
    return true;
}

void EnterCtrlVal(int panel, int control, double value) {
    SetCtrlVal(panel, control, value);
    Dispatch(panel, control, EVENT_VALUE_CHANGED);
    Dispatch(panel, control, EVENT_COMMIT);
}

std::optional<EntryProblem> FindEntryProblem(int panel) {
    Panel& p = PanelOf(panel);
    for (const auto& c : p.def.controls) {
        auto* spin = qobject_cast<QDoubleSpinBox*>(ControlOf(panel, c.id).widget.data());
        if (!spin || !spin->isEnabled() || !spin->isVisibleTo(p.window))
            continue;
        const QString text = spin->text().trimmed();
        bool ok = false;
        const double v = QLocale::c().toDouble(text, &ok);
        const auto number = [&](double x) {
            return QLocale::c().toString(x, 'g', 12).toStdString();
        };
        // The entry's range as it stands (some follow the design, as the
        // Hadamard row does the list's length).
        const double lo = spin->minimum(), hi = spin->maximum();
        const std::string range = "from " + number(lo) + " to " + number(hi);
        std::string why;
        if (text.isEmpty())
            why = "is empty: enter a number " + range + ".";
        else if (!ok)
            why = "\"" + text.toStdString() + "\" is not a number: enter one " + range + ".";
        else if (v < lo || v > hi)
            why = number(v) + " lies outside its range, " + range + ".";
        if (!why.empty())
            return EntryProblem{c.id, "\"" + c.label + "\" " + why};
    }
    return std::nullopt;
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
    // A tool panel fits what it shows: rows hidden leave no blank band.
    QWidget* window = c.widget->window();
    if (window != nullptr && window->layout() != nullptr && !qobject_cast<QMainWindow*>(window)) {
        window->layout()->activate();
        window->resize(window->width(), window->minimumSizeHint().height());
    }
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

void SetCtrlTip(int panel, int control, const std::string& tip) {
    Control& c = ControlOf(panel, control);
    if (c.widget)
        c.widget->setToolTip(QString::fromStdString(tip));
}

std::string CtrlTip(int panel, int control) {
    Control& c = ControlOf(panel, control);
    return c.widget ? c.widget->toolTip().toStdString() : std::string();
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

void SelectCtrl(int panel, int control) {
    Control& c = ControlOf(panel, control);
    c.widget->window()->activateWindow();
    c.widget->setFocus(Qt::OtherFocusReason);
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(c.widget.data()))
        spin->selectAll();
}

void SetPanelTitle(int panel, const std::string& title) {
    PanelOf(panel).window->setWindowTitle(QString::fromStdString(title));
}

}  // namespace pelorin::ui
