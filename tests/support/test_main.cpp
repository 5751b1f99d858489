// Test entry point: a QApplication on the offscreen platform unless the caller chose one, so
// GUI tests run without a display (test discovery runs these binaries at build time).

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Each test saves its settings (the main window's) into a folder of its own, empty at its start
// and gone after it: no test sees another's, and none writes into the home of whoever runs them.
class SettingsFolderPerTest : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        m_folder = std::make_unique<QTemporaryDir>();
        setenv("XDG_CONFIG_HOME", m_folder->path().toUtf8().constData(), 1);
    }
    void OnTestEnd(const testing::TestInfo&) override { m_folder.reset(); }

    std::unique_ptr<QTemporaryDir> m_folder;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new SettingsFolderPerTest);
    QApplication application(argc, argv);
    // As in the program: Qt's widgets (the file dialogs the tests make) write no settings file
    // into the home of whoever runs the tests.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null/pictavo-tests"));
    return RUN_ALL_TESTS();
}
