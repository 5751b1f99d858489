#include "platform/drives/path_names.h"

namespace platform {

std::vector<std::string_view> resolvedNames(std::string_view path, std::string_view separators)
{
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(separators, start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

} // namespace platform
