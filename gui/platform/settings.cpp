// What the program remembers between runs, through QSettings (the
// organisation and application names are set once, in main).
#include <QSettings>

#include "gui/platform/platform.h"

namespace pelorin::ui {

using detail::PanelOf;

std::optional<std::string> ReadSetting(const std::string& key) {
    const QSettings settings;
    const QVariant v = settings.value(QString::fromStdString(key));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

void WriteSetting(const std::string& key, const std::string& value) {
    QSettings settings;
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
}

void RestoreGeometry(int panel, const std::string& key) {
    const QSettings settings;
    const QByteArray g = settings.value(QString::fromStdString(key)).toByteArray();
    if (!g.isEmpty())
        PanelOf(panel).window->restoreGeometry(g);
}

void SaveGeometry(int panel, const std::string& key) {
    QSettings settings;
    settings.setValue(QString::fromStdString(key), PanelOf(panel).window->saveGeometry());
}

}  // namespace pelorin::ui
