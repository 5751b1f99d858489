// pictavo [/PRINT FILE...]

#include "app/command_line.h"
#include "app/startup.h"

#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Printing from the command line shows no window and so needs no display: without one the
    // program draws offscreen and reports errors on standard error.
    const bool batch = ParseCommandLine(std::vector<std::string>(argv, argv + argc)).batchPrint;
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return !value || !*value;
    };
    if (batch && unset("QT_QPA_PLATFORM") && unset("DISPLAY") && unset("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return RunViewer(argc, argv);
}
