// The rules a new file name keeps on every system, since collections move between systems:
// Windows' own (none of the forbidden characters, no device name, no trailing dot or space, at
// most 255 UTF-16 units) and, on POSIX, the byte limit of the folder's file system. The preview,
// the run, the dialogs and the command line all ask here, so what the preview calls ok is what
// the move accepts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// The nine characters Windows never allows in a name; control characters are refused too.
inline constexpr const char* kForbiddenNameCharacters = "\\/:*?\"<>|";

// Windows keeps a name to this many UTF-16 units, whatever the volume.
inline constexpr std::size_t kMaxNameUnits = 255;

// Why `name` cannot be given to a file in `folder` ("reserved device name", "ends in a dot or
// space", "too long: 300 of 255"...), or nothing when it can.
std::optional<std::string> checkNewName(const std::string& folder, std::string_view name);
// The same without asking the file system: the rules that hold wherever the name goes.
std::optional<std::string> checkNameText(std::string_view name);

// checkNewName for name after name: the file system is asked for a folder's limit once while the
// folder stays the same, not once a file.
class NewNameCheck {
public:
    std::optional<std::string> operator()(const std::string& folder, std::string_view name);

private:
    std::string folder_;
    long limit_ = 0;
    bool known_ = false;
};

// A name too long for its folder (over kMaxNameUnits UTF-16 units, or over `byteLimit` bytes
// when that is above 0) cut so that it fits: the base (the part before the last period) is cut,
// the extension kept whole. The cut goes back to the last space when that keeps at least half of
// what fits, so a word is not split, and spaces, periods and the punctuation between words
// (",;:-_~") are then taken off its end. A character is never split: a multi-byte one, or a pair
// of UTF-16 surrogates, stays whole or goes. Nothing (std::nullopt) when the name fits already,
// or when not even one character of the base fits beside the extension. The result is not
// checked otherwise (checkNewName still answers for it).
std::optional<std::string> shortenToFit(std::string_view name, long byteLimit);

// "The file name "NAME" is not valid: REASON.", for every message about a refused name.
std::string invalidNameMessage(std::string_view name, const std::string& reason);

}  // namespace core
