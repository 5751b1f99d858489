#include "app/command_line.h"

#include <cctype>

namespace {
constexpr auto printSwitch = "/PRINT";

std::string upperCase(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
} // namespace

StartupCommand ParseCommandLine(const std::vector<std::string>& parameters)
{
    StartupCommand command;
    // Parameter count excludes parameter 0; batch mode needs the switch and at least one name.
    const std::size_t count = parameters.empty() ? 0 : parameters.size() - 1;
    if (count < 2 || upperCase(parameters[1]) != printSwitch)
        return command;
    command.batchPrint = true;
    command.files.assign(parameters.begin() + 2, parameters.end());
    return command;
}
