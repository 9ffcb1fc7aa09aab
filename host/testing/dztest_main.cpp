// Entry point of the suites that need Qt: an application object and the host's DzApp.
#include <gtest/gtest.h>

#include <QApplication>

#include "dzapp.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication qapp(argc, argv);
    DzApp app;
    return RUN_ALL_TESTS();
}
