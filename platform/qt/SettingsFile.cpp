#include "platform/qt/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// A hand-edited value with bare commas comes back from QSettings as a list.
std::string ValueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(',').toStdString();
    return value.toString().toStdString();
}

} // namespace

std::string UserConfigFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty() && QDir::isAbsolutePath(config)) return config.toStdString();
    return (QDir::homePath() + "/.config").toStdString();
}

std::optional<std::string> ReadIniValue(const std::string& file, const std::string& name) {
    if (!QFileInfo::exists(Text(file))) return std::nullopt;
    QSettings store(Text(file), QSettings::IniFormat);
    const QVariant value = store.value(Text(name));
    if (!value.isValid()) return std::nullopt;
    return ValueText(value);
}

bool WriteIniValue(const std::string& file, const std::string& name, const std::string& value) {
    const QFileInfo info(Text(file));
    if (!QDir().mkpath(info.absolutePath())) return false;
    QSettings store(Text(file), QSettings::IniFormat);
    store.setValue(Text(name), Text(value));
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace platform
