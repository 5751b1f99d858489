#include "app/command_line.h"

#include "platform/ascii_text.h"

namespace {
constexpr auto printSwitch = "/PRINT";
} // namespace

StartupCommand ParseCommandLine(const std::vector<std::string>& parameters)
{
    StartupCommand command;
    // Parameter count excludes parameter 0; batch mode needs the switch and at least one name.
    const std::size_t count = parameters.empty() ? 0 : parameters.size() - 1;
    if (count < 2 || !platform::sameTextIgnoringAsciiCase(parameters[1], printSwitch))
        return command;
    command.batchPrint = true;
    command.files.assign(parameters.begin() + 2, parameters.end());
    return command;
}
