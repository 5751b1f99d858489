#include "platform/window_system.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>

namespace platform {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Tries the X server with the X client library, loaded only for this: the program does not
// link it, the window system's plugin does.
bool xServerAnswers(const std::string& display)
{
    void* library = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!library)
        return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(library, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(library, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(library, "xcb_disconnect"));
    bool answers = false;
    if (connect && hasError && disconnect) {
        // A failed connection is still an object to be given back.
        void* connection = connect(display.c_str(), nullptr);
        answers = connection && hasError(connection) == 0;
        if (connection)
            disconnect(connection);
    }
    dlclose(library);
    return answers;
}

bool waylandSocketExists(const std::string& name)
{
    if (name.empty())
        return false;
    const std::string path = name[0] == '/' ? name : environment("XDG_RUNTIME_DIR") + "/" + name;
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

WindowSystemCheck checkWindowSystem()
{
    WindowSystemCheck check;
    check.display = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    check.available = (!check.display.empty() && xServerAnswers(check.display)) || waylandSocketExists(wayland);
    if (check.display.empty())
        check.display = wayland;
    return check;
}

} // namespace platform
