// The command line of calderwynstrope-cli, parsed.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class CommandKind { Help, Version, Preview, Rename, Filters, UndoList, UndoShow, UndoRun, UndoDelete };

// One filter as given on the command line, in command-line order: a filter file, or an inline
// filter with its arguments and the modifiers that followed it.
struct FilterStep {
    std::string option;  // "--filters", "--case", "--replace", ...
    std::vector<std::string> arguments;
    bool matchCase = false;
    bool wholeWord = false;
    bool requireFields = false;
};

struct Invocation {
    CommandKind kind = CommandKind::Help;
    std::string target;  // the folder, the filter file or the database name
    std::string patterns = "*.*";
    bool recurse = false;
    std::vector<FilterStep> filters;
    std::string saveTo;
    bool noUndo = false;
    bool tsv = false;
};

// Parses the arguments after the program's name. On a usage error returns false with `error`.
bool parseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation, std::string& error);

// The --help text.
std::string helpText();

}  // namespace cli
