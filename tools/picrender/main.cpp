// picrender INPUT OUTPUT.png [--size WxH] [--transparent] [--small]

#include "tools/picrender/picrender.h"

#include <QGuiApplication>

#include <cstdlib>

namespace {

// The tool's output is its own: Qt's notices (a missing runtime directory, say) are dropped.
void dropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(dropQtMessage);
    // Nothing is shown: without a chosen platform, draw offscreen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    return picrender::run(std::vector<std::string>(argv + 1, argv + argc));
}
