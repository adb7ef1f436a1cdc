#include "cli/commands.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "calderwynstrope/version.h"
#include "cli/command_line.h"
#include "cli/json.h"
#include "core/app/app_context.h"
#include "core/app/rename_job.h"
#include "core/base/reporter.h"
#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "core/rules/filter_kinds.h"
#include "core/session/find_files.h"
#include "core/session/rename_run.h"
#include "core/session/run_service.h"
#include "core/undo/journal.h"
#include "core/undo/journal_recovery.h"
#include "core/undo/undo_catalog.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace cli {
namespace {

constexpr const char* kProgram = "calderwynstrope-cli";

// Texts of the program's own use \r\n; a terminal or a script wants \n.
std::string terminalLines(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

// A message on one line: the system's own words sometimes come on a line of their own.
std::string oneLine(std::string text) {
    text = terminalLines(std::move(text));
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    return text;
}

class ConsoleReporter : public core::Reporter {
public:
    explicit ConsoleReporter(Console& console) : console_(console) {}
    void criticalError(const std::string& text) override {
        ++reported;
        console_.err(std::string(kProgram) + ": " + terminalLines(text) + "\n");
    }

    int reported = 0;

private:
    Console& console_;
};

// Everything one command needs: the program's context, and where its words go.
class Context {
public:
    Context(Console& console, core::AppPaths paths) : console(console), app(std::move(paths)), reporter(console) {}

    // Plug-ins are loaded as they are first asked for.
    core::PluginManager& plugins() { return app.plugins(); }
    const core::AppPaths& paths() const { return app.paths(); }

    int fail(const std::string& message) {
        console.err(std::string(kProgram) + ": " + terminalLines(message) + "\n");
        return ExitBadInput;
    }

    Console& console;
    core::AppContext app;
    ConsoleReporter reporter;
    // What the start made of the journals of runs that died, and of undos killed once every file
    // was back.
    core::JournalRecovery recovery;
};

// The filter list of the command line, in order; false (reported) when something is refused.
bool buildRules(Context& context, const std::vector<FilterStep>& steps, core::RuleList& rules) {
    for (const FilterStep& step : steps) {
        if (step.option == "--filters") {
            core::RuleList fromFile;
            try {
                core::readFilterFile(&context.plugins(), step.arguments[0], fromFile);
            } catch (const BRAXEN::braxen_Exception& error) {
                context.fail(core::fileErrorReport(core::IDS_LOAD_FILTERS_FAILED, error));
                return false;
            }
            rules.insert(rules.end(), fromFile.begin(), fromFile.end());
            continue;
        }
        core::FilterValues values = step.values();
        values.texts.resize(step.kind->texts.size());
        // Title Case's small words are the settings' list, as the dialog offers it.
        if (step.kind->type == core::ChangeCase)
            values.texts[core::kCaseSmallWordsText] = context.app.settings().smallWords;
        core::FilterResult made = core::buildFilter(*step.kind, std::move(values));
        if (!made.rule) {
            context.fail(step.option + ": " + made.problem);
            return false;
        }
        rules.push_back(*made.rule);
    }
    return true;
}

// A field of --tsv output: a tab, newline, carriage return and backslash are written \t, \n, \r and
// \\ (the --help text says so), so every line has four fields and every escape reads back as
// one character.
std::string tsvField(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

// A file of --json output (the --help text names the members): `status` may be null (nothing
// foreseen), and `result` is only for a rename. A failure's reason stands before the preview's.
std::string jsonFile(const core::FileEntry& file, std::string_view newName, const char* status, std::string_view reason,
                     const char* result) {
    std::string out = "{" + jsonName("folder", file.folder()) + "," + jsonName("old", file.name.view()) + "," +
                      jsonName("new", newName) + ",\"status\":" + (status ? jsonText(status) : "null") +
                      ",\"reason\":" + (reason.empty() ? "null" : jsonText(oneLine(std::string(reason))));
    if (result) out += ",\"result\":" + jsonText(result);
    return out + "}\n";
}

std::string jsonFile(const core::PreviewLine& line, const char* result = nullptr, std::string_view failure = {}) {
    return jsonFile(*line.file, line.newName, core::statusName(line.status), failure.empty() ? line.reason : failure,
                    result);
}

// The last line of --json output: {"summary":{"files":3,"ok":2,...}}.
std::string jsonSummary(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{\"summary\":{";
    for (const auto& [key, value] : members) out += (out.back() == '{' ? "" : ",") + jsonText(key) + ":" + value;
    return out + "}}\n";
}

std::string jsonPreviewSummary(const core::RunPlan& lines) {
    std::size_t counts[std::size(core::kPreviewStatuses)] = {};
    for (std::size_t i = 0; i < lines.size(); ++i) ++counts[static_cast<std::size_t>(lines.status(i))];
    std::vector<std::pair<std::string, std::string>> members = {{"files", std::to_string(lines.size())}};
    for (const core::PreviewStatus status : core::kPreviewStatuses) {
        std::string key = core::statusName(status);
        std::replace(key.begin(), key.end(), ' ', '_');  // "left out" as a key is left_out
        members.emplace_back(std::move(key), std::to_string(counts[static_cast<std::size_t>(status)]));
    }
    if (lines.intoFolders()) {
        members.emplace_back("companions", std::to_string(lines.runFiles() - lines.ownFiles()));
        members.emplace_back("folders_made", std::to_string(lines.folderChanges().made.size()));
        members.emplace_back("folders_removed", std::to_string(lines.folderChanges().removed.size()));
    }
    return jsonSummary(members);
}

std::string jsonRunSummary(const core::RunResult& result) {
    const std::size_t reached =
        result.renamed + result.companions + result.unchanged + result.skipped + result.failed();
    std::vector<std::pair<std::string, std::string>> members = {
        {"files", std::to_string(result.total)},
        {"renamed", std::to_string(result.renamed)},
        {"unchanged", std::to_string(result.unchanged)},
        {"failed", std::to_string(result.failed())},
        {"not_reached", std::to_string(result.total - std::min(reached, result.total))},
        {"left_out", std::to_string(result.leftOut)},
        {"unlisted_folders", std::to_string(result.unlistedFolders.size())}};
    if (result.intoFolders) {
        members.emplace_back("companions", std::to_string(result.companions));
        members.emplace_back("folders_made", std::to_string(result.foldersMade));
        members.emplace_back("folders_removed", std::to_string(result.foldersRemoved));
    }
    members.emplace_back("undo", result.undoDatabase.empty() ? "null" : jsonText(result.undoDatabase));
    return jsonSummary(members);
}

const char* resultWord(core::RunOutcome outcome) {
    switch (outcome) {
        case core::RunOutcome::Renamed:
            return "renamed";
        case core::RunOutcome::Unchanged:
            return "unchanged";
        default:
            return "failed";
    }
}

const char* colourOf(core::PreviewStatus status) {
    switch (status) {
        case core::PreviewStatus::Ok:
            return "\x1b[32m";
        case core::PreviewStatus::Unchanged:
            return "\x1b[2m";
        default:
            return "\x1b[31m";
    }
}

int preview(Context& context, const Invocation& invocation, core::RenameRun& run) {
    // A name that could not be made is shown as unchanged, and its error is told: not a success.
    const int reportedBefore = context.reporter.reported;
    const core::RunPlan lines = run.preview();

    Console& console = context.console;
    std::string out;
    // The path of the folder of the lines shown, made once for all its files.
    core::FolderPath folder;
    const core::SharedFolder* shown = nullptr;
    for (const core::PreviewLine line : lines) {
        const char* status = core::statusName(line.status);
        if (invocation.json) {
            out += jsonFile(line);
        } else if (invocation.tsv) {
            out += tsvField(folder.of(line.file->folderText)) + "\t" + tsvField(line.file->name.view()) + "\t" +
                   tsvField(line.newName) + "\t" + status + "\n";
        } else {
            if (!shown || !shown->sameText(line.file->folderText)) {
                shown = &line.file->folderText;
                out += platform::displayName(folder.of(*shown)) + "\n";
            }
            // An invalid name says why after its status.
            std::string label = core::statusText(line);
            label.resize(std::max<std::size_t>(label.size() + 1, 10), ' ');
            if (console.colours()) label = colourOf(line.status) + label + "\x1b[0m";
            out += "  " + label;
            out += platform::displayName(line.file->name.view());
            if (line.status != core::PreviewStatus::Unchanged && line.status != core::PreviewStatus::LeftOut) {
                out += "\n" + std::string(12, ' ') + "-> ";
                out += platform::displayName(line.newName);
            }
            out += "\n";
        }
        if (out.size() > 65536) {
            console.out(out);
            out.clear();
        }
    }
    // The folders a run into folders makes and removes, after its files.
    const core::FolderChanges& folders = lines.folderChanges();
    const auto folderLines = [&](const std::vector<std::string>& paths, const char* title, const char* key) {
        if (!paths.empty() && !invocation.json && !invocation.tsv) out += title;
        for (const std::string& path : paths) {
            if (invocation.json) {
                out += "{" + jsonName(key, path) + "}\n";
            } else if (invocation.tsv) {
                out += tsvField(path) + "\t\t\t" + key + "\n";
            } else {
                out += "  " + platform::displayName(path) + "\n";
            }
        }
    };
    folderLines(folders.made, "Folders to make:\n", "folder_made");
    folderLines(folders.removed, "Emptied folders to remove:\n", "folder_removed");
    if (invocation.json) {
        out += jsonPreviewSummary(lines);
    } else if (!invocation.tsv) {
        out += core::previewSummary(lines) + "\n";
    }
    console.out(out);
    for (const core::FolderProblem& folder : lines.uncheckedFolders()) {
        console.err(std::string(kProgram) + ": cannot check the names in \"" + platform::displayName(folder.folder) +
                    "\": " + oneLine(folder.reason) + "; the statuses of its files are not certain\n");
    }
    return lines.uncheckedFolders().empty() && context.reporter.reported == reportedBefore ? ExitDone : ExitSomeFailed;
}

int rename(Context& context, const Invocation& invocation, core::RenameRun& run) {
    Console& console = context.console;
    const bool showProgress = console.errIsTerminal() && run.total() >= 500;
    const int reportedBefore = context.reporter.reported;
    core::RunCallbacks callbacks;
    callbacks.failed = [&](const core::RunFailure& failure) {
        console.err(std::string(kProgram) + ": cannot rename \"" + platform::displayName(failure.path()) + "\" to \"" +
                    platform::displayName(failure.newName) + "\": " + oneLine(failure.reason) + "\n");
    };
    // --json tells each file with what the preview foresaw for it, from the same planned names
    // the run then gives. Files are handled in the run's order, except those that waited for a
    // name another file held, which come once it is free: each is found by its entry.
    core::RunPlan foreseen;
    std::unordered_map<const core::FileEntry*, std::size_t> lineOf;
    std::vector<bool> told;
    std::string out;
    const auto flush = [&](bool always) {
        if (always || out.size() > 65536) {
            console.out(out);
            out.clear();
        }
    };
    if (invocation.json) {
        foreseen = run.preview();
        for (std::size_t i = 0; i < foreseen.size(); ++i) lineOf.emplace(foreseen[i].file, i);
        told.assign(foreseen.size(), false);
        callbacks.handled = [&](const core::RunStep& step, core::RunOutcome outcome, std::string_view reason) {
            const auto line = lineOf.find(step.file);
            if (line != lineOf.end()) {
                out += jsonFile(foreseen[line->second], resultWord(outcome), reason);
                told[line->second] = true;
            } else {
                out += jsonFile(*step.file, step.newName, nullptr, reason, resultWord(outcome));
            }
            flush(false);
        };
    }
    if (showProgress) {
        callbacks.progressEvery = 200;
        callbacks.progress = [&](const core::RunProgress& progress) {
            console.err("\rRenaming... " + std::to_string(progress.done) + " of " + std::to_string(progress.total));
        };
    }
    // The window's run service, without a worker: the run goes on here.
    core::RunService service;
    service.start([&] { run.runAll(callbacks); });
    if (showProgress) console.err("\r" + std::string(40, ' ') + "\r");
    const core::RunResult result = run.finish();
    if (invocation.json) {
        // A run stopped by its undo record leaves the rest as they are.
        for (std::size_t i = 0; i < foreseen.size(); ++i) {
            if (told[i]) continue;
            const bool leftOut = foreseen.status(i) == core::PreviewStatus::LeftOut;
            out += jsonFile(foreseen[i], leftOut ? "left out" : "not reached");
        }
        out += jsonRunSummary(result);
        flush(true);
    } else {
        // Told as it is made: the failed files of a deep tree make a long text.
        result.writeSummary([&](std::string_view piece) { console.out(terminalLines(std::string(piece))); });
        console.out("\n");
    }
    if (!result.undoProblem.empty()) console.err(std::string(kProgram) + ": " + oneLine(result.undoProblem) + "\n");
    const bool failed = result.anyFailure() || context.reporter.reported > reportedBefore;
    return failed || !result.undoProblem.empty() ? ExitSomeFailed : ExitDone;
}

int previewOrRename(Context& context, const Invocation& invocation) {
    core::RuleList rules;
    if (!buildRules(context, invocation.filters, rules)) return ExitBadInput;
    // Without a filter every name stays as it is: nothing to rename, and no run to record, so no
    // real run is pushed out of the undo history for it. The window disables Rename likewise.
    const bool renaming = invocation.kind == CommandKind::Rename;
    if (renaming && rules.empty()) return context.fail("rename needs at least one filter: nothing would change");
    // Saved once the run may go ahead: a refused run writes nothing.
    const core::RuleList saved = invocation.saveTo.empty() ? core::RuleList() : rules;

    core::PreparedRename prepared =
        core::prepareRename(context.app,
                            core::RenameRequest{invocation.target,
                                                invocation.patterns,
                                                invocation.recurse,
                                                std::move(rules),
                                                renaming && !invocation.noUndo,
                                                false,
                                                !renaming,
                                                {},
                                                invocation.shorten,
                                                invocation.tagOrder ? core::AlbumOrder::Tags : core::AlbumOrder::Names,
                                                invocation.into,
                                                invocation.companions},
                            context.reporter);
    using Refusal = core::PreparedRename::Refusal;
    if (prepared.refusal == Refusal::NoFolder) {
        if (!invocation.saveTo.empty()) core::writeFilterFile(invocation.saveTo, saved);
        return context.fail("no such folder: \"" + platform::displayName(invocation.target) + "\"");
    }
    if (prepared.refusal == Refusal::UndoFolderUnusable) {
        // Nothing was touched: the undo folder must take a file, not merely the data folder (a
        // file, a dangling link or a read-only folder named undo would stop the run later).
        const core::AppPaths& paths = context.paths();
        const std::string note =
            !paths.dataWritable || prepared.why.empty()
                ? std::string()
                : "Note: " + platform::displayName(paths.undoFolder()) + " cannot be used: " + prepared.why + "\n";
        return context.fail("the undo record cannot be written, so nothing was renamed.\n" + paths.describe() + note +
                            "Name a folder that can be written with --data-dir DIR or " +
                            core::AppPaths::kHomeVariable + ", or rename without a record with --no-undo.");
    }
    if (!invocation.saveTo.empty()) core::writeFilterFile(invocation.saveTo, saved);
    // The files of a folder that cannot be listed are missing: said at once, and the rest goes on.
    for (const core::FolderProblem& folder : prepared.unlisted) {
        context.console.err(std::string(kProgram) + ": cannot list the folder \"" +
                            platform::displayName(folder.folder) + "\": " + oneLine(folder.reason) + "\n");
    }
    if (prepared.refusal == Refusal::FoldersBusy || prepared.refusal == Refusal::IntoUnusable)
        return context.fail(prepared.why);
    if (prepared.refusal == Refusal::NoFiles) {
        std::string text = terminalLines(core::loadString(core::IDS_NO_FILES_FOUND));
        if (prepared.leftOut > 0) {
            text += "\n" + std::to_string(prepared.leftOut) +
                    (prepared.leftOut == 1 ? " file matches" : " files match") +
                    ", but read-only, hidden and system files are left alone.";
        }
        context.console.err(text + "\n");
        // A script still gets its summary line, of nothing.
        if (invocation.json) {
            core::RunResult none;
            none.unlistedFolders = prepared.unlisted;
            none.leftOut = prepared.leftOut;
            context.console.out(renaming ? jsonRunSummary(none) : jsonPreviewSummary(core::RunPlan()));
        }
        return prepared.unlisted.empty() ? ExitDone : ExitSomeFailed;
    }
    if (renaming) return rename(context, invocation, *prepared.run);
    const int previewed = preview(context, invocation, *prepared.run);
    return prepared.unlisted.empty() ? previewed : ExitSomeFailed;
}

int listFilters(Context& context, const std::string& path) {
    core::RuleList rules;
    try {
        core::readFilterFile(&context.plugins(), path, rules);
    } catch (const BRAXEN::braxen_Exception& error) {
        return context.fail(core::fileErrorReport(core::IDS_LOAD_FILTERS_FAILED, error));
    }
    std::string out;
    for (const core::Rule& rule : rules) out += rule.description + "\n";
    context.console.out(out);
    return ExitDone;
}

// The index entry of a database name, or nothing (reported).
std::optional<core::IndexEntry> findDatabase(Context& context, core::UndoCatalog& catalog, const std::string& name) {
    try {
        catalog.refresh();
    } catch (const BRAXEN::braxen_Exception& error) {
        context.fail(core::fileErrorReport(core::IDS_INDEX_FAILED, error));
        return std::nullopt;
    }
    for (const core::IndexEntry& entry : catalog.entries()) {
        if (entry.name == name) return entry;
    }
    context.fail("no undo database \"" + name + "\"; \"undo list\" shows them");
    return std::nullopt;
}

int undoCommand(Context& context, const Invocation& invocation) {
    core::UndoCatalog catalog(context.paths());
    Console& console = context.console;
    if (invocation.kind == CommandKind::UndoList) {
        // Which history this is, where scripts reading the list will not see it.
        console.err(context.paths().describe());
        try {
            catalog.refresh();
        } catch (const BRAXEN::braxen_Exception& error) {
            return context.fail(core::fileErrorReport(core::IDS_INDEX_FAILED, error));
        }
        std::string out;
        for (const core::IndexEntry& entry : catalog.entries()) {
            out += invocation.json
                       ? "{\"name\":" + jsonText(entry.name) + ",\"description\":" + jsonText(entry.description) + "}\n"
                       : entry.name + "\t" + entry.description + "\n";
        }
        // Runs whose folder is away now are not in the index yet, but their record is kept.
        for (const core::WaitingJournal& waiting : context.recovery.waiting) {
            out += invocation.json ? "{\"name\":" + jsonText(waiting.name) +
                                         ",\"description\":" + jsonText(core::waitingDescription(waiting)) +
                                         ",\"waiting\":true," + jsonName("folder", waiting.folder) + "}\n"
                                   : waiting.name + "\t" + core::waitingDescription(waiting) + "\n";
        }
        console.out(out);
        return ExitDone;
    }
    if (invocation.kind == CommandKind::UndoRun) {
        // Killed after it had brought every file back: this start settled it, and it is done.
        for (const auto& [name, count] : context.recovery.undosFinished) {
            if (name != invocation.target) continue;
            core::UndoOutcome settled;
            settled.undone = static_cast<int>(count);
            console.out(terminalLines(core::formatString(core::IDS_UNDO_DONE, {core::undoCountsText(settled)})) + "\n");
            return ExitDone;
        }
    }
    if (invocation.kind != CommandKind::UndoRun && invocation.kind != CommandKind::UndoShow) {
        // A run's record kept for files that cannot be seen now goes only when the user says so.
        for (const core::WaitingJournal& waiting : context.recovery.waiting) {
            if (waiting.name != invocation.target) continue;
            core::deleteWaitingJournal(context.paths(), waiting);
            return ExitDone;
        }
    }
    const auto entry = findDatabase(context, catalog, invocation.target);
    if (!entry) return ExitBadInput;

    const auto dropVanished = [&]() {
        catalog.removeIndexEntry(*entry, false);
        return context.fail("The database \"" + entry->name + "\" no longer exists; it was removed from the index.");
    };
    switch (invocation.kind) {
        case CommandKind::UndoShow: {
            core::DatabaseProperties properties;
            try {
                if (!core::loadDatabaseProperties(&context.plugins(), context.paths(), entry->name, properties)) {
                    return dropVanished();
                }
            } catch (const BRAXEN::braxen_Exception& error) {
                return context.fail(core::fileErrorReport(core::IDS_PROPERTIES_FAILED, error));
            }
            if (invocation.json) {
                std::string filters;
                for (const core::Rule& rule : properties.rules) {
                    filters += (filters.empty() ? "" : ",") + jsonText(rule.description);
                }
                console.out("{\"name\":" + jsonText(entry->name) + ",\"description\":" + jsonText(entry->description) +
                            ",\"entries\":" + std::to_string(properties.count) +
                            ",\"verified\":" + std::to_string(properties.verified) +
                            ",\"created\":" + std::to_string(static_cast<std::int64_t>(properties.created)) +
                            ",\"size\":" + std::to_string(properties.size) + ",\"filters\":[" + filters + "]}\n");
                // Then its renames, streamed as undo reads them, never the whole database at once.
                std::string out;
                try {
                    catalog.forEachEntry(*entry, [&](const core::UndoEntry& undoEntry) {
                        out += "{" + jsonName("folder", undoEntry.folder) + "," + jsonName("old", undoEntry.oldName) +
                               "," + jsonName("new", undoEntry.newName) +
                               ",\"verified\":" + (undoEntry.id ? "true" : "false");
                        // Only a run that made folders has more to say, so other listings stay as they were.
                        if (!undoEntry.newFolder.empty()) out += "," + jsonName("newFolder", undoEntry.newFolder);
                        if (undoEntry.kind != core::UndoEntry::Kind::Move) {
                            out += std::string(",\"kind\":\"") + core::entryKindName(undoEntry.kind) + "\"";
                        }
                        out += "}\n";
                        if (out.size() > 65536) {
                            console.out(out);
                            out.clear();
                        }
                    });
                } catch (const BRAXEN::braxen_Exception& error) {
                    console.out(out);
                    return context.fail(core::fileErrorReport(core::IDS_PROPERTIES_FAILED, error));
                }
                console.out(out);
                return ExitDone;
            }
            std::string out = "Name: " + entry->name + "\nDescription: " + entry->description + "\n" +
                              core::entryCountText(properties) + "\n" + std::to_string(properties.verified) +
                              " verified by file identity\nDate Created: " +
                              core::longDateTime(platform::localTime(properties.created)) + "\n" +
                              std::to_string(properties.size / 1024) + " KB\nFilters used:\n";
            for (const core::Rule& rule : properties.rules) out += "  " + rule.description + "\n";
            console.out(out);
            return ExitDone;
        }
        case CommandKind::UndoRun: {
            if (!catalog.databaseExists(*entry)) return dropVanished();
            core::UndoOutcome outcome;
            try {
                core::RunService service;
                service.start([&] { outcome = catalog.undoDatabase(*entry); });
            } catch (const BRAXEN::braxen_Exception& error) {
                return context.fail(core::fileErrorReport(core::IDS_LOAD_UNDO_FAILED, error));
            } catch (const core::UndoInProgress& refused) {
                console.err(std::string(kProgram) + ": " + refused.what() + "\n");
                return ExitSomeFailed;
            } catch (const core::UndoFoldersBusy& busy) {
                return context.fail(busy.what());
            } catch (const core::UndoDatabaseSetAside& unreadable) {
                console.err(std::string(kProgram) + ": " + terminalLines(unreadable.what()) + "\n");
                return ExitSomeFailed;
            }
            console.out(terminalLines(outcome.finalText) + "\n");
            if (outcome.failures == 0 && outcome.folderFailures == 0) return ExitDone;
            console.err(std::string(kProgram) + ": what could not be undone stays in " + entry->name +
                        "; once the cause is fixed, \"undo run " + entry->name + "\" tries it again.\n");
            return ExitSomeFailed;
        }
        default: {
            try {
                catalog.removeIndexEntry(*entry, true);
            } catch (const BRAXEN::braxen_Exception& error) {
                return context.fail(core::fileErrorReport(core::IDS_DELETE_DATABASE_FAILED, error));
            }
            return ExitDone;
        }
    }
}

// Turns the journals of runs that died (killed, a closed terminal, a power cut) into undo
// databases, before any command looks at the undo history. False when one could not be recovered
// (reported; it is tried again at the next start).
bool recoverInterruptedRuns(Context& context) {
    context.recovery = context.app.recoverInterruptedRuns();
    const core::JournalRecovery& recovery = context.recovery;
    for (const std::string& name : recovery.recovered) {
        context.console.err(std::string(kProgram) + ": the undo record of an interrupted run was recovered as " + name +
                            " (see \"undo list\")\n");
    }
    for (const std::string& problem : recovery.problems)
        context.console.err(std::string(kProgram) + ": " + oneLine(problem) + "\n");
    for (const std::string& setAside : recovery.setAside)
        context.console.err(std::string(kProgram) + ": " + oneLine(setAside) + "\n");
    return recovery.problems.empty();
}

}  // namespace

int runCli(const std::vector<std::string>& arguments, Console& console, const PathsLocator& locate) {
    Invocation invocation;
    std::string error;
    if (!parseCommandLine(arguments, invocation, error)) {
        console.err(std::string(kProgram) + ": " + error + "\nTry \"" + kProgram + " --help\".\n");
        return ExitBadInput;
    }
    if (invocation.kind == CommandKind::Help) {
        console.out(helpText() + "\nIn use now:\n" + locate(invocation.dataDir).describe());
        return ExitDone;
    }
    if (invocation.kind == CommandKind::Version) {
        console.out(std::string(kProgram) + " " + core::kVersion + "\n");
        return ExitDone;
    }
    Context context(console, locate(invocation.dataDir));
    const bool recovered = recoverInterruptedRuns(context);
    int status;
    try {
        switch (invocation.kind) {
            case CommandKind::Preview:
            case CommandKind::Rename:
                status = previewOrRename(context, invocation);
                break;
            case CommandKind::Filters:
                status = listFilters(context, invocation.target);
                break;
            default:
                status = undoCommand(context, invocation);
                break;
        }
    } catch (const platform::FileError& fileError) {
        // Files that cannot be opened, written, moved or deleted: the system's own words.
        status = context.fail(fileError.message());
    }
    return !recovered && status == ExitDone ? ExitSomeFailed : status;
}

}  // namespace cli
