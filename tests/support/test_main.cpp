// Test entry point: a QApplication on the offscreen platform unless the caller chose one, so
// GUI tests run without a display (test discovery runs these binaries at build time).

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Settings the tests save (the main window's) go to a folder of their own, not the home of
    // whoever runs them.
    QTemporaryDir configuration;
    setenv("XDG_CONFIG_HOME", configuration.path().toUtf8().constData(), 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // As in the program: Qt's widgets (the file dialogs the tests make) write no settings file
    // into the home of whoever runs the tests.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null/pictavo-tests"));
    return RUN_ALL_TESTS();
}
