#include "platform/clipboard_formats.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct NamedFormats {
    std::mutex mutex;
    std::vector<std::string> names;  // index i has number firstNamedClipboardFormat + i
};

NamedFormats& namedFormats()
{
    static NamedFormats formats;
    return formats;
}

constexpr std::size_t namedFormatCount = 0x10000 - firstNamedClipboardFormat;

} // namespace

std::uint16_t registerClipboardFormat(std::string_view name)
{
    if (name.empty())
        return 0;
    NamedFormats& formats = namedFormats();
    std::lock_guard lock(formats.mutex);
    const auto found = std::find_if(formats.names.begin(), formats.names.end(),
                                    [&](const std::string& known) { return sameTextIgnoringAsciiCase(known, name); });
    if (found != formats.names.end())
        return std::uint16_t(firstNamedClipboardFormat + (found - formats.names.begin()));
    if (formats.names.size() == namedFormatCount)
        return 0;
    formats.names.emplace_back(name);
    return std::uint16_t(firstNamedClipboardFormat + formats.names.size() - 1);
}

std::string clipboardFormatName(std::uint16_t format)
{
    if (format < firstNamedClipboardFormat)
        return {};
    NamedFormats& formats = namedFormats();
    std::lock_guard lock(formats.mutex);
    const std::size_t index = format - firstNamedClipboardFormat;
    return index < formats.names.size() ? formats.names[index] : std::string();
}

} // namespace platform
