// File-name wildcard matching as the Windows file system does it, for platforms whose directory
// listing has none of its own.
#pragma once

#include <string_view>

namespace platform {

// "*" matches any run of characters, "?" exactly one character (a code point, not a byte);
// letters compare ignoring case. As on Windows, "*.*" matches every name, a pattern ending in
// ".*" also matches the name without that period ("track.*" matches "track"), and a pattern
// ending in a lone "." matches names that have no period ("*." matches "README").
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform
