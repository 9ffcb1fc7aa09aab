// Entry point of the suites that need Qt: an application object and the host's DzApp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "dzapp.h"
#include "dzappsettings.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication qapp(argc, argv);
    // The suites never read or write the user's own host settings.
    QTemporaryDir settingsDir;
    if (qEnvironmentVariableIsEmpty("HV_HOST_SETTINGS_DIR"))
        DzAppSettings::setSettingsFolder(settingsDir.path());
    DzApp app;
    return RUN_ALL_TESTS();
}
