#include "core/session/rename_session.h"

#include "core/base/reporter.h"
#include "core/base/strings.h"
#include "core/plugins/plugin_manager.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/name_check.h"
#include "core/rules/regex_replace.h"
#include "core/rules/text_rules.h"
#include "core/session/folder_targets.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace core {

std::string applyRules(const PluginManager* plugins, const RuleList& rules, const std::string& folder,
                       const std::string& name, RunPosition position) {
    const std::size_t period = name.rfind('.');
    const std::size_t baseEnd = period == std::string::npos ? name.size() : period;
    // The base is trimmed; the extension keeps whatever white space it has.
    std::size_t first = 0, last = baseEnd;
    while (first < last && isWhiteSpace(name[first])) ++first;
    while (last > first && isWhiteSpace(name[last - 1])) --last;
    NameInProgress next{folder, name, name.substr(first, last - first),
                        period == std::string::npos ? std::string() : name.substr(period), position};

    for (const Rule& rule : rules) {
        if (const FilterKind* kind = filterKindOf(rule)) {
            kind->apply(rule, next);
        } else if (rule.type == Plugin) {
            if (plugins) applyPluginRule(*plugins, rule, folder, next.base);
        }  // a type this program does not know is skipped
        // A long list of Append rules grows the name without any single rule running away.
        checkNameLength(next.base);
    }
    next.base += next.extension;
    return std::move(next.base);
}

RenameSession::RenameSession(const PluginManager* plugins, const RuleList& rules, const RunOptions& options,
                             AppPaths paths, Reporter& reporter)
    : plugins_(plugins), rules_(rules), options_(options), paths_(std::move(paths)), reporter_(&reporter) {}

RenameSession::~RenameSession() {
    if (finished_) return;
    try {
        finish();
    } catch (const std::exception& error) {
        reporter_->criticalError(error.what());
    }
}

std::string RenameSession::proposeName(const std::string& folder, const std::string& name, RunPosition position) {
    return proposeName(folder, name, position, *reporter_);
}

std::string RenameSession::proposeName(const std::string& folder, const std::string& name, RunPosition position,
                                       Reporter& reporter, bool* shortened) const {
    try {
        std::string proposed = applyRules(plugins_, rules_, folder, name, position);
        // No name of at most 255 bytes is over 255 UTF-16 units or any usual file system's byte
        // limit, so the system is asked only about longer ones.
        if (options_.shortenNames && proposed.size() > kMaxNameUnits && proposed != name) {
            if (auto cut = shortenToFit(proposed, platform::maxNameBytes(folder))) {
                proposed = std::move(*cut);
                if (shortened) *shortened = true;
            }
        }
        return proposed;
    } catch (const std::exception& error) {
        // The report may show a message box, and whatever runs meanwhile may reuse the caller's
        // buffers: the name given back is taken before.
        std::string unchanged = name;
        std::string message =
            formatString(IDS_MODIFY_NAME_FAILED, {platform::displayName(folder), platform::displayName(unchanged)});
        // A pattern that gave up on this name says why, so the user can mend the pattern.
        if (dynamic_cast<const RegexFailure*>(&error)) message += " " + platform::displayName(error.what());
        reporter.criticalError(message);
        return unchanged;
    }
}

namespace {

// The folder `folder` as `open` holds it, opened anew when the last one was another.
const platform::MoveFolder& openFolder(std::unique_ptr<platform::MoveFolder>& open, const std::string& folder,
                                       const std::optional<platform::FileId>& expected) {
    if (!open || open->path() != folder) {
        std::string path = platform::withSeparator(folder);
        if (!open || open->path() != path) open = std::make_unique<platform::MoveFolder>(path, expected);
    }
    return *open;
}

// Nothing when the file now at folder + oldName is the one recorded as `id`; else why it is not to
// be moved: another program put another file at the name since it was recorded, or the file
// cannot be asked about.
std::optional<std::string> notRecorded(const std::string& oldName, const std::string& folder,
                                       const std::optional<platform::FileId>& folderId, const platform::FileId& id,
                                       std::unique_ptr<platform::MoveFolder>& open) {
    try {
        if (openFolder(open, folder, folderId).entryId(oldName) == id) return std::nullopt;
        return std::string(kReplacedSinceListed);
    } catch (const platform::FileError& error) {
        return error.message();
    }
}

}  // namespace

PreparedMove RenameSession::prepareMove(const std::string& oldName, const std::string& folder,
                                        const std::string& newName, const platform::FileId* knownId,
                                        const std::optional<platform::FileId>& folderId, const std::string* into) {
    PreparedMove move;
    // A file that keeps its name is not given a new one: a name made elsewhere stays movable onto
    // itself, as it always was.
    if (const auto reason = newName == oldName && !into ? std::nullopt : checkName_(into ? *into : folder, newName)) {
        move.error = invalidNameMessage(newName, *reason);
        return move;
    }
    // The folder is recorded with its separator, so undo always rebuilds the right paths. A run
    // goes folder by folder: the folder stays open for the moves of all its files.
    const platform::MoveFolder& place = openFolder(recordFolder_, folder, folderId);
    const std::string& prefix = place.path();
    // A record cut short would undo some other file; better not to rename at all.
    if (options_.undo && !fitsUndoRecord(prefix, newName, oldName, into ? *into : std::string())) {
        move.error = "The folder or name is too long for the undo record; the file was not renamed.";
        return move;
    }
    if (options_.undo) {
        // Which file this is, so that recovery and undo never take another file that has come to
        // bear one of its names for it.
        try {
            move.id = knownId ? *knownId : place.entryId(oldName);
        } catch (const platform::FileError& error) {
            move.error = error.message();
            return move;
        }
        // The move is in the journal before it is made, so however the run ends it can be undone.
        if (!journal_.isOpen()) journal_.create(paths_, rules_);
        if (into) {
            move.record = journal_.recordMoveInto(prefix, oldName, *into, newName, move.id);
        } else {
            move.record = journal_.recordMove(prefix, oldName, newName, move.id);
            move.entryBytes = compactEntrySize(prefix, newName, oldName);
        }
    }
    move.ok = true;
    return move;
}

bool RenameSession::commitMove(const PreparedMove& move, const std::string& oldName, const std::string& folder,
                               const std::string& newName, std::string* errorText,
                               const std::optional<platform::FileId>& folderId, const std::string* into) {
    if (!move.ok) {
        if (errorText) *errorText = move.error;
        return false;
    }
    if (options_.undo) {
        journal_.waitDurable(move.record);
        // The record was made ahead of the move, while another program may have put another file
        // at the old name since: the file moved must be the one recorded, or no undo could give it
        // back. Checked through the folder the move is made in, just before it, unless the caller
        // has just checked it.
        if (!move.checked) {
            if (auto problem = notRecorded(oldName, folder, folderId, move.id, moveFolder_)) {
                if (errorText) *errorText = std::move(*problem);
                return false;
            }
        }
    }
    try {
        const platform::MoveFolder& place = openFolder(moveFolder_, folder, folderId);
        if (into) {
            place.moveFileInto(oldName, openFolder(intoFolder_, *into, std::nullopt), newName);
        } else {
            place.moveFile(oldName, newName);
        }
    } catch (const platform::FileError& error) {
        if (errorText) *errorText = error.message();
        return false;
    }
    if (options_.undo) journal_.moveMade(move.record, true, move.entryBytes);
    return true;
}

void RenameSession::checkRecorded(PreparedMove& move, const std::string& oldName, const std::string& folder,
                                  const std::optional<platform::FileId>& folderId,
                                  std::unique_ptr<platform::MoveFolder>& open) const {
    if (!move.ok || !options_.undo) return;
    if (auto problem = notRecorded(oldName, folder, folderId, move.id, open)) {
        move.error = std::move(*problem);
        move.ok = false;
    } else {
        move.checked = true;
    }
}

std::vector<std::pair<std::size_t, std::string>> RenameSession::makeFolders(const std::vector<std::string>& folders) {
    std::vector<std::pair<std::size_t, std::string>> failed;
    if (folders.empty()) return failed;
    std::vector<std::uint64_t> records;
    if (options_.undo) {
        if (!journal_.isOpen()) journal_.create(paths_, rules_);
        for (const std::string& folder : folders) {
            const FolderParts parts = splitFolderPath(folder);
            records.push_back(journal_.recordFolderMade(parts.parent, parts.name));
        }
        journal_.waitDurable(records.back());
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string bare = splitFolderPath(folders[i]).path();
        const bool made = platform::createFolder(bare);
        if (!made) {
            const auto status = platform::fileStatus(bare);
            failed.emplace_back(i, status ? "something of that name is there already" : "it could not be made");
        }
        if (!options_.undo) continue;
        if (made) {
            if (const auto id = platform::entryId(bare)) journal_.folderMadeAs(records[i], *id);
        }
        journal_.moveMade(records[i], made);
    }
    return failed;
}

std::size_t RenameSession::removeFolders(const std::vector<std::string>& folders) {
    // On Windows a folder held open is only marked for removal, and stays in the way until let go.
    closeFolders();
    std::size_t removed = 0;
    std::vector<std::uint64_t> records(folders.size(), 0);
    std::vector<bool> recorded(folders.size(), false);
    if (options_.undo && !folders.empty()) {
        if (!journal_.isOpen()) journal_.create(paths_, rules_);
        for (std::size_t i = 0; i < folders.size(); ++i) {
            const FolderParts parts = splitFolderPath(folders[i]);
            const auto id = platform::entryId(parts.path());
            if (!id) continue;  // gone already
            records[i] = journal_.recordFolderRemoved(parts.parent, parts.name, *id);
            recorded[i] = true;
        }
        for (std::size_t i = folders.size(); i-- > 0;) {
            if (!recorded[i]) continue;
            journal_.waitDurable(records[i]);
            break;
        }
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (options_.undo && !recorded[i]) continue;
        const bool gone = platform::removeEmptyFolder(splitFolderPath(folders[i]).path());
        if (gone) ++removed;
        if (options_.undo) journal_.moveMade(records[i], gone);
    }
    return removed;
}

bool RenameSession::renameFile(const std::string& oldName, const std::string& folder, const std::string& newName,
                               std::string* errorText, const std::optional<platform::FileId>& folderId,
                               const std::string* into) {
    return commitMove(prepareMove(oldName, folder, newName, nullptr, folderId, into), oldName, folder, newName,
                      errorText, folderId, into);
}

bool RenameSession::moveBack(const std::string& name, const std::string& folder, const std::string& oldName,
                             std::string* errorText, const std::optional<platform::FileId>& folderId,
                             const std::string* into) {
    try {
        return renameFile(name, folder, oldName, errorText, folderId, into);
    } catch (const platform::FileError&) {
        // Recovery judges a journal by the files' identities on the disk, so the records of the
        // moves there were stay true of a file moved back without one.
    }
    try {
        const platform::MoveFolder& place = openFolder(moveFolder_, folder, folderId);
        if (into) {
            place.moveFileInto(name, openFolder(intoFolder_, *into, std::nullopt), oldName);
        } else {
            place.moveFile(name, oldName);
        }
        return true;
    } catch (const platform::FileError& error) {
        if (errorText) *errorText = error.message();
        return false;
    }
}

void RenameSession::closeFolders() {
    moveFolder_.reset();
    recordFolder_.reset();
    intoFolder_.reset();
}

std::string RenameSession::finish(std::optional<RunCounts> counts) {
    finished_ = true;
    closeFolders();  // a finished run keeps no folder from being removed or moved
    if (!options_.undo) return std::string();
    return journal_.finish(options_.limitUndo, options_.undoLimit, counts);
}

}  // namespace core
