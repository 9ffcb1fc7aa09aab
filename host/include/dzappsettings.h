#pragma once

#include <QString>
#include <memory>

class QSettings;

// The host's application settings: one INI file shared by every settings object. An object opens one group
// (a settings group name, empty for the top level) and closes it when destroyed; every write goes to the file
// at once, so a new object, or the next run, reads it.
class DzAppSettings {
public:
    explicit DzAppSettings(QString const& group = QString());
    ~DzAppSettings();
    DzAppSettings(DzAppSettings const&) = delete;
    DzAppSettings& operator=(DzAppSettings const&) = delete;

    QString getGroup() const { return m_group; }

    // A missing key, or a value that does not read as the type, gives the default.
    int getIntValue(QString const& key, int defaultValue = 0) const;
    bool getBoolValue(QString const& key, bool defaultValue = false) const;
    QString getStringValue(QString const& key, QString const& defaultValue = QString()) const;

    void setIntValue(QString const& key, int value);
    void setBoolValue(QString const& key, bool value);
    void setStringValue(QString const& key, QString const& value);

    bool hasValue(QString const& key) const;
    void removeValue(QString const& key);

    // Where the file lives: the folder set here, else $HV_HOST_SETTINGS_DIR, else the user's configuration
    // folder. Tests point it at a temporary folder before the first settings object is made.
    static void setSettingsFolder(QString const& folder);
    static QString getSettingsFolder();
    static QString getSettingsFilePath();

private:
    QString m_group;
    std::unique_ptr<QSettings> m_settings;
};
