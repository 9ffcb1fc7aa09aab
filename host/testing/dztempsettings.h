#pragma once

#include <QString>
#include <QTemporaryDir>

#include "dzappsettings.h"

namespace dztest {

// Points the host's application settings at a fresh empty folder while it lives.
class TempSettings {
public:
    TempSettings() : m_previous(DzAppSettings::getSettingsFolder()) {
        DzAppSettings::setSettingsFolder(m_dir.path());
    }
    ~TempSettings() { DzAppSettings::setSettingsFolder(m_previous); }
    TempSettings(TempSettings const&) = delete;
    TempSettings& operator=(TempSettings const&) = delete;

    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

}  // namespace dztest
