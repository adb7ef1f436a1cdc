// The command line of calderwynstrope-cli, parsed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/rules/filter_kinds.h"

namespace cli {

enum class CommandKind { Help, Version, Preview, Rename, Filters, UndoList, UndoShow, UndoRun, UndoDelete };

// One filter as given on the command line, in command-line order: a filter file, or an inline
// filter with its arguments and the modifiers that followed it.
struct FilterStep {
    std::string option;                      // "--filters", "--case", "--replace", ...
    const core::FilterKind* kind = nullptr;  // the inline filter's kind; nullptr for --filters
    std::vector<std::string> arguments;
    std::uint32_t flags = 0;  // bit i: the modifier of kind->flags[i] was given

    // Whether the modifier ("--match-case") was given after this filter.
    bool has(const std::string& modifier) const;
    // The values the kind builds its Rule from.
    core::FilterValues values() const { return core::FilterValues{arguments, flags}; }
};

struct Invocation {
    CommandKind kind = CommandKind::Help;
    std::string target;  // the folder, the filter file or the database name
    std::string patterns = "*.*";
    bool recurse = false;
    std::vector<FilterStep> filters;
    std::string saveTo;
    bool noUndo = false;
    bool shorten = false;    // --shorten: new names too long for their folder are cut to fit
    bool tagOrder = false;   // --order tags: each folder's files by their disc and track tags
    std::string into;        // --into DIR: the folder that --folders makes its folders under
    bool companions = true;  // --no-companions: the album's other files stay where they are
    bool tsv = false;
    bool json = false;    // --json: JSON Lines on standard output
    std::string dataDir;  // --data-dir: the one folder for settings and undo records
};

inline constexpr const char* kDataDirOption = "--data-dir";
inline constexpr const char* kJsonOption = "--json";

// Parses the arguments after the program's name. On a usage error returns false with `error`.
bool parseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation, std::string& error);

// The --help text (without the folders in use, which only the running program knows).
std::string helpText();

}  // namespace cli
