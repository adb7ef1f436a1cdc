// File-name patterns as Windows matches them against long names, the same in every build: the
// Windows build lists a folder whole and filters with this too, so a file is never picked through
// its 8.3 short name ("*.mp3" does not pick "song.mp3x" as the short "SONG~1.MP3"), and Wine
// and Windows pick the same files.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A pattern read once and matched against many names. The rules are those of Windows' own file
// searches:
// - "*" matches any run of characters; letters compare ignoring case as file names do
//   (case_fold.h); "*.*" matches every name.
// - "?" matches one character (a code point), or nothing where the name has a "." or ends:
//   "track??.mp3" matches "track1.mp3", "??." matches "a" and "ab".
// - A "*" right before a "." matches up to the name's last period at most: "*.mp3" wants the
//   name to end in ".mp3".
// - A "." right before "?" or "*", or the pattern's final ".", matches a period or the end of the
//   name: "track.*" matches "track", "*." matches names without a period.
// - Trailing spaces and periods of the pattern are dropped as Windows drops them from any name,
//   keeping one final "." when the pattern ended in one: "*. " is "*", "*.." is "*.".
// - "<", ">" and '"' (never part of a Windows name) are the wildcards that "*", "?" and "." before
//   a wildcard become: "<" matches up to the name's last period, ">" is the "?" above, '"' a
//   period or the end of the name.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);
    bool matches(std::string_view name) const;

private:
    std::u32string expression_;  // folded characters and the four wildcards
    bool everything_ = false;
};

bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform
