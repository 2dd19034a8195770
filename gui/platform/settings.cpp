// What the program remembers between runs, through QSettings (the
// organisation and application names are set once, in main).
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cstdio>

#include "gui/platform/platform.h"

namespace pelorin::ui {

using detail::P;
using detail::PanelOf;
using Settings = detail::Platform::Settings;

namespace {

// Said on standard error and in the status bar, and kept for the start to
// say again once the window is up.
void Tell(const std::string& text) {
    std::fprintf(stderr, "pelorin: %s\n", text.c_str());
    P().settings_notice = text;
    for (auto& [handle, panel] : P().panels)
        if (panel.status) {
            panel.status->showMessage(QString::fromStdString(text), 15000);
            break;
        }
}

// Whether QSettings may touch its file; examined at the first use, before
// QSettings reads it (which it does as soon as one is made).
bool Usable() {
    auto& p = P();
    if (p.settings == Settings::Unchecked) {
        p.settings = Settings::Usable;
        const std::string path = SettingsFile();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            p.settings = Settings::Refused;
            Tell("Settings not used: " + path +
                 " is no regular file; this session keeps to the defaults.");
        }
    }
    return p.settings == Settings::Usable;
}

// Writes land in the file at once, so that one that cannot be written is
// found out at the first change rather than never.
void Flush(QSettings& settings) {
    settings.sync();
    if (settings.status() == QSettings::AccessError && !P().settings_unwritable) {
        P().settings_unwritable = true;
        Tell("Settings not saved: " + SettingsFile() + " cannot be written.");
    }
}

}  // namespace

std::string SettingsFile() {
    // A probe under an application name of its own finds the folder and the
    // file's kind without opening ours: its own file does not exist.
    const QSettings probe(QSettings::defaultFormat(), QSettings::UserScope,
                          QCoreApplication::organizationName(),
                          QCoreApplication::applicationName() + ".where");
    const QFileInfo where(probe.fileName());
    return QFile::encodeName(where.path() + "/" + QCoreApplication::applicationName() + "." +
                             where.suffix())
        .toStdString();
}

std::optional<std::string> TakeSettingsNotice() {
    return std::exchange(P().settings_notice, std::nullopt);
}

std::optional<std::string> ReadSetting(const std::string& key) {
    if (!Usable())
        return std::nullopt;
    const QSettings settings;
    const QVariant v = settings.value(QString::fromStdString(key));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

void WriteSetting(const std::string& key, const std::string& value) {
    if (!Usable())
        return;
    QSettings settings;
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    Flush(settings);
}

std::vector<std::string> ReadSettingList(const std::string& key) {
    std::vector<std::string> values;
    if (!Usable())
        return values;
    const QSettings settings;
    const QVariant v = settings.value(QString::fromStdString(key));
    if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList) {
        for (const QVariant& item : v.toList())
            values.push_back(item.toByteArray().toStdString());
    } else if (v.isValid()) {
        // The older form: one line a value.
        const QByteArray text = v.toString().toUtf8();
        for (const QByteArray& line : text.split('\n'))
            if (!line.isEmpty())
                values.push_back(line.toStdString());
    }
    return values;
}

void WriteSettingList(const std::string& key, const std::vector<std::string>& values) {
    if (!Usable())
        return;
    QVariantList list;
    for (const std::string& v : values)
        list.push_back(QByteArray::fromStdString(v));
    QSettings settings;
    settings.setValue(QString::fromStdString(key), list);
    Flush(settings);
}

void RestoreGeometry(int panel, const std::string& key) {
    if (!Usable())
        return;
    const QSettings settings;
    const QByteArray g = settings.value(QString::fromStdString(key)).toByteArray();
    if (!g.isEmpty())
        PanelOf(panel).window->restoreGeometry(g);
}

void SaveGeometry(int panel, const std::string& key) {
    if (!Usable())
        return;
    QSettings settings;
    settings.setValue(QString::fromStdString(key), PanelOf(panel).window->saveGeometry());
    Flush(settings);
}

}  // namespace pelorin::ui
