#pragma once
// Helpers shared by the JPEG tests: the message of a library error, and a clock for progress.

#include "picture/jpeg/jpeg_glue.h"

#include <cstdint>
#include <string>

namespace jpeg_test {

// The message for a library error code; the classic numbering is one lower for the errors.
inline std::string jpegError(int code)
{
    return "JPEG error #" + std::to_string(code - 1);
}

// A clock that moves 600 ms at every look, so that every progress call passes the throttle.
class SteppingClock {
public:
    SteppingClock()
    {
        now = 1000;
        jpeg::setTickSource([] { return now += 600; });
    }
    ~SteppingClock() { jpeg::setTickSource(nullptr); }

private:
    static inline std::uint32_t now = 0;
};

} // namespace jpeg_test
