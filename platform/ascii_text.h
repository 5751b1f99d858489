#pragma once
// Names compared as the system compares them: ASCII letters match in either case, every other
// byte (so every byte of a UTF-8 sequence) matches only itself. Unlike the C library's case
// functions, the answer does not depend on the process's locale.

#include <string_view>

namespace platform {

constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal lengths, and equal bytes once ASCII letters are lower-cased.
bool sameTextIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace platform
