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

// "The file name "NAME" is not valid: REASON.", for every message about a refused name.
std::string invalidNameMessage(std::string_view name, const std::string& reason);

}  // namespace core
