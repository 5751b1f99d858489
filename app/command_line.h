#pragma once
// The program's command line: "/PRINT" (in any case) followed by file names prints them
// without showing a window; anything else shows the main window and ignores the parameters.
// It is read once, by main, and the result handed to the start-up.

#include <string>
#include <vector>

struct StartupCommand {
    bool batchPrint = false;
    // Parameters 2..n, unchanged, in order (batch mode only).
    std::vector<std::string> files;
};

// `parameters` holds parameter 0 (the program) first, then parameters 1..n.
StartupCommand ParseCommandLine(const std::vector<std::string>& parameters);
