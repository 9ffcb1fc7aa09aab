#include "dzappsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cstdlib>

namespace {

QString& settingsFolderOverride() {
    static QString folder;
    return folder;
}

}  // namespace

void DzAppSettings::setSettingsFolder(QString const& folder) {
    settingsFolderOverride() = folder;
}

QString DzAppSettings::getSettingsFolder() {
    if (!settingsFolderOverride().isEmpty())
        return settingsFolderOverride();
    if (char const* env = std::getenv("HV_HOST_SETTINGS_DIR"); env && *env)
        return QString::fromLocal8Bit(env);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("HV_pullform-host"));
}

QString DzAppSettings::getSettingsFilePath() {
    return QDir(getSettingsFolder()).filePath(QStringLiteral("host-settings.ini"));
}

DzAppSettings::DzAppSettings(QString const& group)
    : m_group(group), m_settings(std::make_unique<QSettings>(getSettingsFilePath(), QSettings::IniFormat)) {
    if (!m_group.isEmpty())
        m_settings->beginGroup(m_group);
}

DzAppSettings::~DzAppSettings() {
    if (!m_group.isEmpty())
        m_settings->endGroup();
    m_settings->sync();
}

int DzAppSettings::getIntValue(QString const& key, int defaultValue) const {
    QVariant v = m_settings->value(key);
    bool ok = false;
    int value = v.toInt(&ok);
    return v.isValid() && ok ? value : defaultValue;
}

bool DzAppSettings::getBoolValue(QString const& key, bool defaultValue) const {
    QVariant v = m_settings->value(key);
    if (!v.isValid())
        return defaultValue;
    QString text = v.toString().trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    bool ok = false;
    int number = text.toInt(&ok);
    return ok ? number != 0 : defaultValue;
}

QString DzAppSettings::getStringValue(QString const& key, QString const& defaultValue) const {
    QVariant v = m_settings->value(key);
    return v.isValid() ? v.toString() : defaultValue;
}

// Every write reaches the file at once: there is no separate save step.
void DzAppSettings::setIntValue(QString const& key, int value) {
    m_settings->setValue(key, value);
    m_settings->sync();
}

void DzAppSettings::setBoolValue(QString const& key, bool value) {
    m_settings->setValue(key, value);
    m_settings->sync();
}

void DzAppSettings::setStringValue(QString const& key, QString const& value) {
    m_settings->setValue(key, value);
    m_settings->sync();
}

bool DzAppSettings::hasValue(QString const& key) const {
    return m_settings->contains(key);
}

void DzAppSettings::removeValue(QString const& key) {
    m_settings->remove(key);
    m_settings->sync();
}
