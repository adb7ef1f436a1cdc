// The program's texts by string id, and safe formatting of the ones that take arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace core {

enum StringId : int {
    IDS_APP_TITLE = 57344,
    IDS_NO_FILES_FOUND = 57345,
    IDS_INVALID_FILENAME = 57346,
    IDS_RENAME_FAILED = 57347,
    IDS_LOAD_FILTERS_FAILED = 57348,
    IDS_SAVE_FILTERS_FAILED = 57349,
    IDS_INVALID_FILTER = 57350,
    IDS_BROWSE_FOLDER = 57351,
    IDS_FIND_EQUALS_REPLACE = 57353,
    IDS_LOAD_UNDO_FAILED = 57354,
    IDS_FILE_CORRUPT = 57355,
    IDS_RENAME_DONE = 57356,
    IDS_RENAME_DONE_WITH_FAILURES = 57357,
    IDS_RENAMING = 57358,
    IDS_UNDO_DESCRIPTION = 57359,
    IDS_CONFIRM_UNDO = 57360,
    IDS_UNDO_DONE_WITH_FAILURES = 57361,
    IDS_UNDO_DONE = 57362,
    IDS_UNDO_FAILURE_LINE = 57363,
    IDS_UNDO_CHANGED_LINE = 57364,
    IDS_WRITE_UNDO_FAILED = 57365,
    IDS_MODIFY_NAME_FAILED = 57366,
    IDS_DELETE_DATABASE_FAILED = 57367,
    IDS_INDEX_FAILED = 57368,
    IDS_PLUGIN_MISSING = 57369,
    IDS_UNKNOWN_VERSION = 57370,
    IDS_BROWSE_PLUGINS = 57371,
    IDS_PROPERTIES_FAILED = 57372,
    IDS_NO_PLACE_FOR_UNDO = 57380,
};

// The text of a string id; empty for an id the program does not have.
const char* loadString(int id);

using FormatArgument = std::variant<std::int64_t, std::string>;

// printf-style formatting limited to what the program's texts use: "%s" takes the next text,
// "%d" the next integer, "%%" is "%". Arguments are checked, never trusted: a "%s" given a number
// writes the number, a missing argument writes nothing, and anything else after "%" is copied as
// it stands. Nothing can overrun; no text is ever used as a format.
std::string formatText(std::string_view format, const std::vector<FormatArgument>& arguments);

// A string id's text, formatted.
std::string formatString(int id, const std::vector<FormatArgument>& arguments);

}  // namespace core
