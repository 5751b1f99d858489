#pragma once
// Whether the desktop's window system can be reached before the program commits to it: the
// window-system library ends the process when it cannot open its display, so the program asks
// first and says plainly what is wrong (or, printing from the command line, draws offscreen).

#include <string>

namespace platform {

struct WindowSystemCheck {
    bool available = false;
    // What was tried, for the message when nothing answered: the display's name, or "" when
    // none is set.
    std::string display;
};

// A window system answers when the X server that DISPLAY names accepts a connection (tried
// through the same X client library the window system uses), or when WAYLAND_DISPLAY names a
// socket that exists.
WindowSystemCheck checkWindowSystem();

} // namespace platform
