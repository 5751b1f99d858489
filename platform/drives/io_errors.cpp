#include "platform/drives/io_errors.h"

#include "platform/drives/file_system_backend.h"

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

constexpr auto otherError = "I/O error %d";

} // namespace

int ioErrorCode(int errorNumber)
{
    switch (errorNumber) {
    case 0:
        return 0;
    case ENOENT:
        return IoError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return IoError::PathNotFound;
    case EMFILE:
    case ENFILE:
        return IoError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
        return IoError::AccessDenied;
    case ENOMEDIUM:
    case ENODEV:
    case ENXIO:
        return IoError::NotReady;
    default:
        return IoError::ErrnoBase + errorNumber;
    }
}

int ioErrorCodeForPath(int errorNumber, std::string_view nativePath)
{
    if (errorNumber != ENOENT)
        return ioErrorCode(errorNumber);
    std::string path(nativePath);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return IoError::FileNotFound;
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    FileStatus status;
    if (fileSystemBackend().status(parent, status) != 0 || status.kind != FileKind::Directory)
        return IoError::PathNotFound;
    return IoError::FileNotFound;
}

std::string ioErrorMessage(int code)
{
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, otherError, code);
        return text;
    }
    }
}

} // namespace platform
