#pragma once
// Internal to platform/: the names a path is made of, with "." and ".." resolved by name, for
// both native and drive-letter paths.

#include <string_view>
#include <vector>

namespace platform {

// "a/./b/../c" -> {"a", "c"}: the names between any of the `separators`, each ".." taking away
// the name before it (none at the top), "." and empty names (repeated, leading or trailing
// separators) left out. The names are views into `path`.
std::vector<std::string_view> resolvedNames(std::string_view path, std::string_view separators);

} // namespace platform
