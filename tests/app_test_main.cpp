// Test main for the desktop program's suites: the offscreen platform, and
// settings and runtime files in a private temporary folder.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir home;
    setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path() + "/settings");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path() + "/settings");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
