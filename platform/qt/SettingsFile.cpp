#include "platform/qt/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

QString Text(const std::string& pS) {
    return QString::fromStdString(pS);
}

// A hand-edited value with bare commas comes back from QSettings as a list.
std::string ValueText(const QVariant& pValue) {
    if (pValue.typeId() == QMetaType::QStringList)
        return pValue.toStringList().join(',').toStdString();
    return pValue.toString().toStdString();
}

} // namespace

std::string UserConfigFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty() && QDir::isAbsolutePath(config)) return config.toStdString();
    return (QDir::homePath() + "/.config").toStdString();
}

std::optional<std::string> ReadIniValue(const std::string& pFile, const std::string& pName) {
    if (!QFileInfo::exists(Text(pFile))) return std::nullopt;
    QSettings store(Text(pFile), QSettings::IniFormat);
    const QVariant value = store.value(Text(pName));
    if (!value.isValid()) return std::nullopt;
    return ValueText(value);
}

bool WriteIniValue(const std::string& pFile, const std::string& pName, const std::string& pValue) {
    const QFileInfo info(Text(pFile));
    if (!QDir().mkpath(info.absolutePath())) return false;
    QSettings store(Text(pFile), QSettings::IniFormat);
    store.setValue(Text(pName), Text(pValue));
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace platform
