#pragma once
// Message formatting with the system's format directives: "%s", "%d", "%x", "%u", "%f", "%g",
// "%e", "%n", "%%", with optional argument index ("%1:s"), left alignment ("-"), width and
// precision ("%5.2f"). An index makes later directives continue from it.

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

using FormatArg = std::variant<long long, double, std::string>;

// Raises Exception("Format '<format>' invalid or incompatible with argument") on a directive
// that names a missing argument or an argument of the wrong kind.
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

// Integer and pointer-free string helpers the messages use.
std::string IntToStr(long long value);
