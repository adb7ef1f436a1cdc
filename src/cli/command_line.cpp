#include "cli/command_line.h"

#include <algorithm>
#include <map>

#include "core/rules/filter_kinds.h"
#include "platform/paths.h"

namespace cli {
namespace {

// "a", "a or b", "a, b or c".
std::string alternatives(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    }
    return out;
}

// The help's lines for the inline filters: the usage in a column of its own, the description
// beside it (or below it when the usage is too wide), continued lines under the description.
std::string inlineFilterHelp() {
    constexpr std::size_t column = 25;
    std::string out;
    for (const core::FilterKind& kind : core::filterKinds()) {
        std::string usage = kind.option;
        for (const core::FilterText& text : kind.texts) {
            if (!text.fromSettings) usage += std::string(" ") + text.name;
        }
        out += "  " + usage;
        out += usage.size() < column ? std::string(column - usage.size(), ' ') : "\n" + std::string(column + 2, ' ');
        for (const char* c = kind.help; *c; ++c) {
            out += *c;
            if (*c == '\n') out += std::string(column + 2, ' ');
        }
        out += '\n';
    }
    return out;
}

// Where a modifier may go: after the options of the kinds that have it.
std::vector<std::string> kindsWithModifier(const std::string& modifier) {
    std::vector<std::string> options;
    for (const core::FilterKind& kind : core::filterKinds()) {
        if (kind.flagOfModifier(modifier) >= 0) options.push_back(kind.option);
    }
    return options;
}

}  // namespace

bool FilterStep::has(const std::string& modifier) const {
    const int flag = kind ? kind->flagOfModifier(modifier) : -1;
    return flag >= 0 && ((flags >> flag) & 1u);
}

// Also the manual page's source: cli_help_text prints it when the package is built.
std::string helpText() {
    return "Usage:\n"
           "  calderwynstrope-cli preview [options] FOLDER   show what a rename would do; nothing "
           "changes\n"
           "  calderwynstrope-cli rename  [options] FOLDER   rename the files (at least one filter);\n"
           "                                                 names that would not change are left\n"
           "                                                 alone\n"
           "  calderwynstrope-cli filters FILE.ren           list the filters of a filter file\n"
           "  calderwynstrope-cli undo list                  list the runs that can be undone, "
           "oldest first\n"
           "  calderwynstrope-cli undo show NAME             show one run's undo database\n"
           "  calderwynstrope-cli undo run NAME              undo a run; what cannot go back stays "
           "for a retry\n"
           "  calderwynstrope-cli undo delete NAME           delete a run's database (or a record\n"
           "                                                 kept for files away) without undoing it\n"
           "  calderwynstrope-cli --help | --version\n"
           "\n"
           "Options of preview and rename (filters apply in the order given):\n"
           "  -p, --pattern TEXT       file patterns, as in *.mp3;*.mp2 (default *.*)\n"
           "  -r, --recurse            include sub-folders\n"
           "  -f, --filters FILE       the filters of a filter definition file; may be repeated\n" +
           inlineFilterHelp() +
           "  --save FILE.ren          also save the filters as a filter definition file\n"
           "  --tsv                    output: folder, old name, new name, status, tab-separated;\n"
           "                           a tab, newline, carriage return or backslash in a field\n"
           "                           is written \\t, \\n, \\r or \\\\\n"
           "  --json                   output JSON Lines (see below); undo list and undo show take\n"
           "                           it too\n"
           "  --no-undo                rename only: record no undo database\n"
           "  --shorten                cut a new name too long for its folder (over 255 UTF-16\n"
           "                           units, or the file system's limit in bytes) before its\n"
           "                           extension, at a word where it can: \"ok (shortened)\"\n"
           "  --order name|tags        the order of each folder's files, which a counter numbers\n"
           "                           them in: by name (the default; Track 2 before Track 10),\n"
           "                           or by the disc and track numbers of their tags, those\n"
           "                           without a track number after them by name\n"
           "  --into DIR               with --id3 ... --folders: make the folders under DIR\n"
           "                           (on the same volume) instead of the folder given\n"
           "  --no-companions          with --folders: leave the album's other files (a file's\n"
           "                           .lrc, .cue, .jpg of its own name; cover.*, folder.*,\n"
           "                           *.log, *.m3u, scans/ when the whole album moves) where\n"
           "                           they are; --companions (the default) takes them along\n"
           "\n"
           "Organising a collection:\n"
           "  calderwynstrope-cli rename -r -p \"*.mp3\" --id3 \"%9/%3 (%4)/%7 - %2\" --folders Incoming\n"
           "  moves Incoming/dump/track1.mp3 (tags: ABBA, Arrival, 1976, track 1, \"SOS\") to\n"
           "  Incoming/ABBA/Arrival (1976)/01 - SOS.mp3, with track1.lrc beside it as\n"
           "  01 - SOS.lrc and cover.jpg along when the whole album goes there, spells ABBA and\n"
           "  Abba as one folder, and removes dump/ once it is empty. preview shows it all first;\n"
           "  \"undo run NAME\" puts back every file and folder, and leaves a folder it made in\n"
           "  place when something new is in it.\n"
           "\n"
           "Options of every command:\n"
           "  --data-dir DIR           keep the settings and the undo records in DIR; may come\n"
           "                           before the command as well\n"
           "\n"
           "Where the settings (braxen.ini) and undo records (braxen.idx, undo/) live:\n"
           "  A portable copy keeps them next to the program: one with an empty file named\n"
           "  \"portable\" there, or where one of them already is. Otherwise they are in the\n"
           "  user's folders: on Linux the settings in $XDG_CONFIG_HOME/calderwynstrope\n"
           "  (~/.config/calderwynstrope) and the undo records in $XDG_DATA_HOME/calderwynstrope\n"
           "  (~/.local/share/calderwynstrope); on Windows both in %APPDATA%\\Calderwynstrope.\n"
           "  The variable CALDERWYNSTROPE_HOME, or --data-dir, names one folder for all of them.\n"
           "  When no folder can take the undo records, rename refuses to start unless --no-undo\n"
           "  is given. \"undo list\" names the folder in use on standard error.\n"
           "\n"
           "JSON output (--json), one object a line:\n"
           "  preview, rename: one a file, in order: folder, old, new, status (the preview's word;\n"
           "  for rename, as foreseen just before the run), reason (why a file keeps its name or\n"
           "  a rename failed, \"shortened\" for a name cut to fit, else null); rename adds result:\n"
           "  renamed, unchanged, failed, \"not reached\" (the run stopped first) or \"left out\".\n"
           "  Last {\"summary\":{...}}:\n"
           "  files and the count of each status, left_out for \"left out\" (preview), or files,\n"
           "  renamed, unchanged, failed, not_reached, left_out, unlisted_folders (a count),\n"
           "  companions, folders_made, folders_removed and undo (the database's name, or null)\n"
           "  (rename). With --folders a preview has, before its summary, {\"folder_made\":PATH}\n"
           "  and {\"folder_removed\":PATH} for each folder it makes and empties, and its\n"
           "  summary counts companions, folders_made and folders_removed.\n"
           "  undo list: name, description a run; a run waiting for its folder adds\n"
           "  \"waiting\":true and folder. undo show: one object of name, description, entries,\n"
           "  verified, created (seconds since 1970, UTC), size (bytes), filters (a list of\n"
           "  their descriptions); then one a rename, in order: folder, old, new, verified (it\n"
           "  carries the file's identity). A name or folder that is not UTF-8 is null, and its\n"
           "  bytes are in hexadecimal under the same key with _hex added\n"
           "  (\"old\":null,\"old_hex\":\"ff41\"), so every name comes back byte for byte.\n"
           "  Strings escape quotes, backslashes and control characters (\\u00XX). Messages and\n"
           "  errors still go to standard error, with the same exit statuses.\n"
           "\n"
           "Preview statuses: ok (\"ok (shortened)\" for a name --shorten cut to fit; \"ok (same\n"
           "disc and track as NAME)\" where an album has a disc and track twice), unchanged,\n"
           "invalid (a name Windows refuses, with the reason: a device name, a trailing dot or\n"
           "space, too long, a forbidden character), exists\n"
           "(held by a file that keeps its name, in the run or not), duplicate (of several files\n"
           "that want one name, the first in the run's order gets it, the others are\n"
           "duplicates), missing (gone, or listed twice by two patterns), left out (read-only,\n"
           "hidden or system files, which a run leaves alone). A name held by another file of\n"
           "the run that moves away is ok: rename moves that file first, and a swap or a longer\n"
           "ring of names through a temporary name (.cw-swap-...) in its folder. A ring that\n"
           "cannot be finished goes back to its old names, so no file is ever left at a\n"
           "temporary name. The preview is the plan the rename carries out, step by step; every\n"
           "move is recorded, so a run killed half way is recovered and undone exactly.\n"
           "Every start first recovers the undo record of runs that were interrupted (killed, a\n"
           "closed terminal, a power cut); \"undo list\" shows them with \"(interrupted)\".\n"
           "An undo moves a file back only while it is the file the run moved, and an undo that\n"
           "was interrupted is finished by the next \"undo run\". A second undo of a database\n"
           "being undone is refused (status 1); a database that cannot be read is set aside as\n"
           "NAME.bad and leaves the list (status 1). A run or undo refuses to start (status 2)\n"
           "while another one changes files in one of its folders.\n"
           "Messages (and the preview's lines for people) show the control characters of names\n"
           "escaped: \\t, \\n, \\r, \\xNN (and \\uNNNN for the C1 controls and line separators).\n"
           "A folder that cannot be listed is named on standard error, and the rest goes on.\n"
           "Exit status: 0 done; 1 some files failed, a new name could not be made, a folder could\n"
           "not be listed, or an undo\n"
           "record could not be written or recovered; 2 bad usage or input, another run in the\n"
           "same folder, or rename without --no-undo when the undo folder cannot take a file.\n";
}

bool parseCommandLine(const std::vector<std::string>& given, Invocation& invocation, std::string& error) {
    invocation = Invocation{};
    // --data-dir DIR goes before the command, among the options of preview and rename, or after
    // the arguments of the other commands.
    std::vector<std::string> arguments;
    const auto takeDataDir = [&](const std::vector<std::string>& from, std::size_t& i) {
        if (i + 1 >= from.size() || from[i + 1].empty()) {
            error = "--data-dir needs a folder";
            return false;
        }
        invocation.dataDir = from[++i];
        return true;
    };
    std::size_t first = 0;
    for (; first < given.size() && given[first] == kDataDirOption; ++first) {
        if (!takeDataDir(given, first)) return false;
    }
    const bool commandHasOptions = first < given.size() && (given[first] == "preview" || given[first] == "rename");
    for (std::size_t i = first; i < given.size(); ++i) {
        if (!commandHasOptions && given[i] == kDataDirOption) {
            if (!takeDataDir(given, i)) return false;
        } else {
            arguments.push_back(given[i]);
        }
    }
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
        // --json goes anywhere after "undo" (for the two that print something to read).
        const auto json = std::remove(arguments.begin() + 1, arguments.end(), std::string(kJsonOption));
        invocation.json = json != arguments.end();
        arguments.erase(json, arguments.end());
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
        if (invocation.json && kind->second != CommandKind::UndoList && kind->second != CommandKind::UndoShow) {
            error = std::string(kJsonOption) + " goes with undo list and undo show only";
            return false;
        }
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
            invocation.filters.push_back(FilterStep{"--filters", nullptr, {arguments[++i]}});
        } else if (const core::FilterKind* kind = core::findFilterKind(a)) {
            const std::size_t count =
                kind->commandLineTexts
                    ? kind->commandLineTexts({arguments.begin() + static_cast<std::ptrdiff_t>(i + 1), arguments.end()})
                    : static_cast<std::size_t>(std::count_if(kind->texts.begin(), kind->texts.end(),
                                                             [](const auto& t) { return !t.fromSettings; }));
            if (!needs(i, count, a)) return false;
            FilterStep step{a,
                            kind,
                            {arguments.begin() + static_cast<std::ptrdiff_t>(i + 1),
                             arguments.begin() + static_cast<std::ptrdiff_t>(i + 1 + count)}};
            // The texts a kind's command line leaves out are empty.
            if (kind->commandLineTexts) step.arguments.resize(kind->texts.size());
            invocation.filters.push_back(std::move(step));
            i += count;
        } else if (const auto allowed = kindsWithModifier(a); !allowed.empty()) {
            FilterStep* last = invocation.filters.empty() ? nullptr : &invocation.filters.back();
            const int flag = last && last->kind ? last->kind->flagOfModifier(a) : -1;
            if (flag < 0) {
                error = a + " must follow " + alternatives(allowed);
                return false;
            }
            last->flags |= 1u << flag;
        } else if (a == "--save") {
            if (!needs(i, 1, a)) return false;
            invocation.saveTo = arguments[++i];
        } else if (a == kDataDirOption) {
            if (!takeDataDir(arguments, i)) return false;
        } else if (a == "--no-undo" && invocation.kind == CommandKind::Rename) {
            invocation.noUndo = true;
        } else if (a == "--shorten") {
            invocation.shorten = true;
        } else if (a == "--into") {
            if (!needs(i, 1, a)) return false;
            invocation.into = arguments[++i];
        } else if (a == "--companions" || a == "--no-companions") {
            invocation.companions = a == "--companions";
        } else if (a == "--order") {
            if (!needs(i, 1, a)) return false;
            const std::string& order = arguments[++i];
            if (order != "name" && order != "tags") {
                error = "--order takes name or tags, not \"" + platform::displayName(order) + "\"";
                return false;
            }
            invocation.tagOrder = order == "tags";
        } else if (a == "--tsv") {
            invocation.tsv = true;
        } else if (a == kJsonOption) {
            invocation.json = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option \"" + a + "\"";
            return false;
        } else if (!folderSeen) {
            invocation.target = a;
            folderSeen = true;
        } else {
            error = "only one folder, please (\"" + platform::displayName(invocation.target) + "\" and \"" +
                    platform::displayName(a) + "\")";
            return false;
        }
    }
    if (!folderSeen) {
        error = command + " needs a folder";
        return false;
    }
    if (invocation.json && invocation.tsv) {
        error = "--json and --tsv cannot go together";
        return false;
    }
    return true;
}

}  // namespace cli
