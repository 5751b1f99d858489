// pictavo [/PRINT FILE...]

#include "app/command_line.h"
#include "app/startup.h"
#include "platform/window_system.h"

#include <cstdio>
#include <cstdlib>

namespace {
constexpr auto cannotOpenDisplay = "%s: cannot open the display \"%s\"\n";
constexpr auto noDisplaySet = "%s: cannot open the display (none is set)\n";
} // namespace

int main(int argc, char** argv)
{
    const StartupCommand command = ParseCommandLine({argv, argv + argc});
    const char* platformChosen = std::getenv("QT_QPA_PLATFORM");
    if (!platformChosen || !*platformChosen) {
        const platform::WindowSystemCheck windowSystem = platform::checkWindowSystem();
        if (!windowSystem.available) {
            // Printing from the command line shows no window and so needs no display: without
            // one the program draws offscreen and reports errors on standard error.
            if (command.batchPrint) {
                setenv("QT_QPA_PLATFORM", "offscreen", 1);
            } else {
                if (windowSystem.display.empty())
                    std::fprintf(stderr, noDisplaySet, ViewerTitle);
                else
                    std::fprintf(stderr, cannotOpenDisplay, ViewerTitle, windowSystem.display.c_str());
                return 1;
            }
        }
    }
    return RunViewer(argc, argv, command);
}
