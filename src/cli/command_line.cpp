#include "cli/command_line.h"

#include <map>

namespace cli {
namespace {

// Inline filters and how many arguments each takes.
const std::map<std::string, std::size_t>& inlineFilters() {
    static const std::map<std::string, std::size_t> filters = {
        {"--case", 1},  {"--underscores", 0}, {"--periods", 0}, {"--replace", 2}, {"--append", 2},
        {"--strip", 1}, {"--pad", 3},         {"--flip", 1},    {"--number", 4},  {"--id3", 1},
    };
    return filters;
}

}  // namespace

std::string helpText() {
    return "Usage:\n"
           "  calderwynstrope-cli preview [options] FOLDER   show what a rename would do; nothing "
           "changes\n"
           "  calderwynstrope-cli rename  [options] FOLDER   rename the files\n"
           "  calderwynstrope-cli filters FILE.ren           list the filters of a filter file\n"
           "  calderwynstrope-cli undo list                  list the runs that can be undone, "
           "oldest first\n"
           "  calderwynstrope-cli undo show NAME             show one run's undo database\n"
           "  calderwynstrope-cli undo run NAME              undo a run and delete its database\n"
           "  calderwynstrope-cli undo delete NAME           delete a run's database without "
           "undoing it\n"
           "  calderwynstrope-cli --help | --version\n"
           "\n"
           "Options of preview and rename (filters apply in the order given):\n"
           "  -p, --pattern TEXT       file patterns, as in *.mp3;*.mp2 (default *.*)\n"
           "  -r, --recurse            include sub-folders\n"
           "  -f, --filters FILE       the filters of a filter definition file; may be repeated\n"
           "  --case MODE              change case: sentence, lower, upper, mixed or toggle\n"
           "  --underscores            replace underscores with spaces\n"
           "  --periods                replace periods with spaces (not the extension's)\n"
           "  --replace FIND REPLACE   replace a text; may be followed by --match-case, "
           "--whole-word\n"
           "  --append FRONT END       add text at the front and at the end (either may be \"\")\n"
           "  --strip TEXT             remove a text; may be followed by --match-case\n"
           "  --pad LEFT BOTH RIGHT    put spaces before, around and after these characters\n"
           "  --flip TEXT              swap the parts before and after the first TEXT\n"
           "  --number LOW HIGH FIND REPLACE\n"
           "                           renumber: FIND and REPLACE hold %s for the number (0..99)\n"
           "  --id3 FORMAT             name from the ID3v1 tag: %1 artist, %2 title, %3 album,\n"
           "                           %4 year, %5 comment, %6 genre; may be followed by\n"
           "                           --require-fields (skip files whose tag lacks a field used)\n"
           "  --save FILE.ren          also save the filters as a filter definition file\n"
           "  --tsv                    output: folder, old name, new name, status, tab-separated\n"
           "  --no-undo                rename only: record no undo database\n"
           "\n"
           "Preview statuses: ok, unchanged, invalid (a name Windows refuses), exists (taken by a\n"
           "file already there), duplicate (taken by a file renamed earlier in the run), missing\n"
           "(the file was renamed earlier in the run, listed twice by two patterns).\n"
           "Exit status: 0 done; 1 some files failed; 2 bad usage or input.\n";
}

bool parseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation, std::string& error) {
    invocation = Invocation{};
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        invocation.kind = CommandKind::Help;
        return true;
    }
    const std::string& command = arguments[0];
    if (command == "--version") {
        invocation.kind = CommandKind::Version;
        return true;
    }
    if (command == "filters") {
        if (arguments.size() != 2) {
            error = "filters takes one filter file";
            return false;
        }
        invocation.kind = CommandKind::Filters;
        invocation.target = arguments[1];
        return true;
    }
    if (command == "undo") {
        const std::map<std::string, CommandKind> kinds = {{"list", CommandKind::UndoList},
                                                          {"show", CommandKind::UndoShow},
                                                          {"run", CommandKind::UndoRun},
                                                          {"delete", CommandKind::UndoDelete}};
        const auto kind = arguments.size() >= 2 ? kinds.find(arguments[1]) : kinds.end();
        if (kind == kinds.end()) {
            error = "undo takes list, show NAME, run NAME or delete NAME";
            return false;
        }
        invocation.kind = kind->second;
        const std::size_t wanted = kind->second == CommandKind::UndoList ? 2 : 3;
        if (arguments.size() != wanted) {
            error = "undo " + arguments[1] + (wanted == 3 ? " takes one database name" : " takes nothing more");
            return false;
        }
        if (wanted == 3) invocation.target = arguments[2];
        return true;
    }
    if (command != "preview" && command != "rename") {
        error = "unknown command \"" + command + "\"";
        return false;
    }
    invocation.kind = command == "preview" ? CommandKind::Preview : CommandKind::Rename;

    const auto needs = [&](std::size_t at, std::size_t count, const std::string& option) {
        if (at + count < arguments.size()) return true;  // the arguments at + 1 .. at + count exist
        error = option + " needs " + std::to_string(count) + (count == 1 ? " argument" : " arguments");
        return false;
    };
    bool folderSeen = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-p" || a == "--pattern") {
            if (!needs(i, 1, a)) return false;
            invocation.patterns = arguments[++i];
        } else if (a == "-r" || a == "--recurse") {
            invocation.recurse = true;
        } else if (a == "-f" || a == "--filters") {
            if (!needs(i, 1, a)) return false;
            invocation.filters.push_back(FilterStep{"--filters", {arguments[++i]}});
        } else if (inlineFilters().count(a)) {
            const std::size_t count = inlineFilters().at(a);
            if (!needs(i, count, a)) return false;
            FilterStep step{a,
                            {arguments.begin() + static_cast<std::ptrdiff_t>(i + 1),
                             arguments.begin() + static_cast<std::ptrdiff_t>(i + 1 + count)}};
            invocation.filters.push_back(std::move(step));
            i += count;
        } else if (a == "--match-case" || a == "--whole-word" || a == "--require-fields") {
            FilterStep* last = invocation.filters.empty() ? nullptr : &invocation.filters.back();
            const bool fits =
                last && ((a == "--match-case" && (last->option == "--replace" || last->option == "--strip")) ||
                         (a == "--whole-word" && last->option == "--replace") ||
                         (a == "--require-fields" && last->option == "--id3"));
            if (!fits) {
                error = a + (a == "--require-fields" ? " must follow --id3"
                             : a == "--whole-word"   ? " must follow --replace"
                                                     : " must follow --replace or --strip");
                return false;
            }
            if (a == "--match-case") last->matchCase = true;
            if (a == "--whole-word") last->wholeWord = true;
            if (a == "--require-fields") last->requireFields = true;
        } else if (a == "--save") {
            if (!needs(i, 1, a)) return false;
            invocation.saveTo = arguments[++i];
        } else if (a == "--no-undo" && invocation.kind == CommandKind::Rename) {
            invocation.noUndo = true;
        } else if (a == "--tsv") {
            invocation.tsv = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option \"" + a + "\"";
            return false;
        } else if (!folderSeen) {
            invocation.target = a;
            folderSeen = true;
        } else {
            error = "only one folder, please (\"" + invocation.target + "\" and \"" + a + "\")";
            return false;
        }
    }
    if (!folderSeen) {
        error = command + " needs a folder";
        return false;
    }
    return true;
}

}  // namespace cli
