#include "framework/format.h"

#include "framework/exceptions.h"

#include <cstdio>
#include <vector>

namespace {

[[noreturn]] void raiseInvalid(std::string_view format)
{
    throw Exception("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string pad(std::string text, int width, bool left)
{
    if (width > 0 && int(text.size()) < width) {
        if (left)
            text.append(width - text.size(), ' ');
        else
            text.insert(0, width - text.size(), ' ');
    }
    return text;
}

std::string groupThousands(const std::string& digits)
{
    // digits may carry a sign and a fraction: group only the integer part.
    std::size_t start = (!digits.empty() && digits[0] == '-') ? 1 : 0;
    std::size_t end = digits.find('.');
    if (end == std::string::npos)
        end = digits.size();
    std::string out = digits.substr(0, start);
    std::string integer = digits.substr(start, end - start);
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0)
            out += ',';
        out += integer[i];
    }
    return out + digits.substr(end);
}

} // namespace

std::string Format(std::string_view format, std::initializer_list<FormatArg> argList)
{
    const std::vector<FormatArg> args(argList);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= format.size())
            raiseInvalid(format);
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        // [index ":"] ["-"] [width] ["." precision] type
        auto readNumber = [&](int& value) {
            bool any = false;
            value = 0;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
                value = value * 10 + (format[i] - '0');
                ++i;
                any = true;
            }
            return any;
        };
        int number = 0;
        std::size_t mark = i;
        if (readNumber(number) && i < format.size() && format[i] == ':')
            next = std::size_t(number), ++i;
        else
            i = mark;
        bool left = false;
        if (i < format.size() && format[i] == '-')
            left = true, ++i;
        int width = 0;
        readNumber(width);
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            readNumber(precision);
        }
        if (i >= format.size() || next >= args.size())
            raiseInvalid(format);
        const FormatArg& arg = args[next++];
        char type = char(format[i] | 0x20);
        std::string text;
        char buffer[512];
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            const long long* value = std::get_if<long long>(&arg);
            if (!value)
                raiseInvalid(format);
            if (type == 'x')
                std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(*value));
            else if (type == 'u')
                std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(*value));
            else
                std::snprintf(buffer, sizeof buffer, "%lld", *value);
            text = buffer;
            // The precision of an integer is a minimum digit count.
            if (precision > 0) {
                bool negative = !text.empty() && text[0] == '-';
                std::string digits = negative ? text.substr(1) : text;
                if (int(digits.size()) < precision)
                    digits.insert(0, precision - digits.size(), '0');
                text = (negative ? "-" : "") + digits;
            }
            break;
        }
        case 'f':
        case 'g':
        case 'e':
        case 'n': {
            double value;
            if (const double* d = std::get_if<double>(&arg))
                value = *d;
            else
                raiseInvalid(format);
            if (type == 'g') {
                std::snprintf(buffer, sizeof buffer, "%.*G", precision < 0 ? 15 : precision, value);
            } else if (type == 'e') {
                std::snprintf(buffer, sizeof buffer, "%.*E", precision < 0 ? 15 : precision, value);
            } else {
                std::snprintf(buffer, sizeof buffer, "%.*f", precision < 0 ? 2 : precision, value);
            }
            text = buffer;
            if (type == 'n')
                text = groupThousands(text);
            break;
        }
        case 's': {
            const std::string* value = std::get_if<std::string>(&arg);
            if (!value)
                raiseInvalid(format);
            text = precision >= 0 ? value->substr(0, std::size_t(precision)) : *value;
            break;
        }
        default:
            raiseInvalid(format);
        }
        out += pad(text, width, left);
    }
    return out;
}

std::string IntToStr(long long value)
{
    return std::to_string(value);
}
