#pragma once
// The program's start: the classes the window designs name and the picture formats are
// registered, the five windows are made in their fixed order, and the command line decides
// between showing the main window and printing the named files without showing anything.

#include "app/command_line.h"

// The application's title, shown on its task bar button and as the caption of its messages.
extern const char* const ViewerTitle;

// Registers every component class the designs name and every picture format, in the formats'
// fixed order. Calling it again adds nothing.
void RegisterViewerClasses();

// Makes the main window, the about box, the report form, the zoom window and the print preview
// window, in that order, owned by the application; the first becomes the main window.
void CreateViewerWindows();

// Acts on the command line once the windows exist: shows the main window, or prints each named
// file that exists and asks the application to end. Returns the exit status so far: 1 when a
// print failed (its message shown), otherwise 0.
int StartViewer(const StartupCommand& command);

// The whole program: the application object, the windows, the command line read from argv and
// the message loop. Returns the process's exit status.
int RunViewer(int& argc, char** argv, StartupCommand command);
