// picrender INPUT OUTPUT.png [--size WxH] [--transparent]

#include "tools/picrender/picrender.h"

#include <QGuiApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Nothing is shown: without a chosen platform, draw offscreen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    return picrender::run(std::vector<std::string>(argv + 1, argv + argc));
}
