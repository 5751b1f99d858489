#pragma once
// The I/O error codes of the drive layer and their messages. The codes are the system's own
// (2 file not found, 3 path not found, 21 drive not ready, ...); errno values of the Linux calls
// are translated into them, and the ones without a counterpart become 10000 + errno.

#include <string>
#include <string_view>

namespace platform {

// A value, or the I/O error code of the call that failed to produce it (0 on success).
template <class T>
struct IoResult {
    T value{};
    int error = 0;
    explicit operator bool() const { return error == 0; }
};

namespace IoError {
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int NotReady = 21;
inline constexpr int ErrnoBase = 10000;
} // namespace IoError

// ENOENT -> 2; ENOTDIR, ENAMETOOLONG, ELOOP -> 3; EMFILE, ENFILE -> 4; EACCES, EPERM -> 5;
// ENOMEDIUM, ENODEV, ENXIO -> 21; 0 -> 0; anything else -> 10000 + errno.
int ioErrorCode(int errorNumber);
// Like ioErrorCode, but a missing name whose parent directory is missing too gives 3, as the
// whole path, not just its last name, could not be found. `nativePath` is absolute.
int ioErrorCodeForPath(int errorNumber, std::string_view nativePath);

// The message shown for an I/O error code: 2 "File not found", 3 "Invalid filename",
// 4 "Too many open files", 5 "File access denied", 100 "Read beyond end of file",
// 101 "Disk full", 106 "Invalid numeric input", any other "I/O error %d".
std::string ioErrorMessage(int code);

} // namespace platform
