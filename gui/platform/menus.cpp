// Menu bars built from the resource, and the menu-item operations.
#include <QActionGroup>
#include <QMenuBar>

#include "gui/platform/platform.h"

namespace pelorin::ui {

namespace detail {

MenuItem& MenuItemOf(int menubar, int item) {
    auto it = P().menubars.find(menubar);
    if (it == P().menubars.end())
        throw UiError("no menu bar with handle " + std::to_string(menubar));
    auto jt = it->second.items.find(item);
    if (jt == it->second.items.end())
        throw UiError("the menu bar has no item " + std::to_string(item));
    return jt->second;
}

void BuildMenus(Panel& p, QMainWindow* window) {
    MenuBar bar;
    bar.panel = p.handle;
    const int menubar = P().nextMenuBar++;
    std::map<std::string, QActionGroup*> groups;
    for (const auto& m : p.def.menus) {
        QMenu* menu = window->menuBar()->addMenu(QString::fromStdString(m.title));
        for (const auto& item : m.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromStdString(item.label));
            if (!item.shortcut.empty()) {
                a->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
                // The menus' keys work from every panel too.
                a->setShortcutContext(Qt::ApplicationShortcut);
            }
            if (!item.group.empty()) {
                QActionGroup*& group = groups[item.group];
                if (!group)
                    group = new QActionGroup(window);  // exclusive; owned by the window
                group->addAction(a);
                a->setCheckable(true);
                a->setChecked(item.checked);
            } else if (item.toggle) {
                a->setCheckable(true);
                a->setChecked(item.checked);
            }
            const bool bound = !item.callback.empty();
            a->setEnabled(bound && !item.dimmed);
            const int panel = p.handle;
            const int id = item.id;
            const std::string name = item.callback;
            QObject::connect(a, &QAction::triggered, a, [menubar, panel, id, name] {
                DispatchMenu(menubar, id, panel, name);
            });
            bar.items[item.id] = MenuItem{a, bound, item.while_busy, name, panel};
        }
    }
    P().menubars[menubar] = std::move(bar);
    p.menubar = menubar;
}

}  // namespace detail

using namespace detail;

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

void SetMenuItemLabel(int menubar, int item, const std::string& label) {
    MenuItemOf(menubar, item).action->setText(QString::fromStdString(label));
}

std::string MenuItemLabel(int menubar, int item) {
    return MenuItemOf(menubar, item).action->text().toStdString();
}

void SetMenuItemChoices(int menubar, int item, const std::vector<std::string>& choices) {
    MenuItem& m = MenuItemOf(menubar, item);
    QMenu* sub = m.action->menu();
    if (!sub) {
        // Owned by the window the menu bar belongs to.
        sub = new QMenu(PanelOf(m.panel).window);
        m.action->setMenu(sub);
    }
    sub->clear();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        QAction* a = sub->addAction(QString::fromStdString(choices[i]));
        const int index = static_cast<int>(i);
        QObject::connect(a, &QAction::triggered, a, [menubar, item, index] {
            MenuItem& chosen = MenuItemOf(menubar, item);
            chosen.choice = index;
            DispatchMenu(menubar, item, chosen.panel, chosen.callback);
        });
    }
    m.action->setEnabled(m.bound && !choices.empty());
}

std::vector<std::string> MenuItemChoices(int menubar, int item) {
    std::vector<std::string> choices;
    if (QMenu* sub = MenuItemOf(menubar, item).action->menu())
        for (QAction* a : sub->actions())
            choices.push_back(a->text().toStdString());
    return choices;
}

int MenuItemChoice(int menubar, int item) {
    return MenuItemOf(menubar, item).choice;
}

void ChooseMenuItemChoice(int menubar, int item, int index) {
    MenuItem& m = MenuItemOf(menubar, item);
    QMenu* sub = m.action->menu();
    if (!sub || index < 0 || index >= sub->actions().size())
        throw UiError("menu item " + std::to_string(item) + " has no choice " +
                      std::to_string(index));
    if (m.action->isEnabled())
        sub->actions()[index]->trigger();
}

void SetMenuItemChecked(int menubar, int item, bool checked) {
    QAction* a = MenuItemOf(menubar, item).action;
    if (!a->isCheckable())
        throw UiError("menu item " + std::to_string(item) + " has no check mark");
    a->setChecked(checked);
}

bool MenuItemChecked(int menubar, int item) {
    return MenuItemOf(menubar, item).action->isChecked();
}

}  // namespace pelorin::ui
