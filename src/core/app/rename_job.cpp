#include "core/app/rename_job.h"

#include <chrono>
#include <unordered_map>
#include <utility>

#include "core/app/app_context.h"
#include "core/base/reporter.h"
#include "core/session/album_order.h"
#include "core/session/folder_targets.h"
#include "core/session/run_options.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace core {

FoundFiles findRequestFiles(const AppContext& context, const RenameRequest& request, const FindProgress& progress) {
    FoundFiles found;
    found.unlisted = findFiles(found.files, request.recurse, request.folder, request.patterns,
                               context.paths().ownFolders(), &found.leftOut, &found.listings,
                               progress ? [&] { return progress(found); } : std::function<bool()>());
    sortInAlbumOrder(found.files, request.order);
    // Files left out are not renamed: their tags have nothing to say.
    sortInAlbumOrder(found.leftOut);
    return found;
}

std::size_t takeOutUnchecked(FoundFiles& found, const std::unordered_set<std::string>& unchecked) {
    if (unchecked.empty()) return 0;
    // By folder path, each name followed by a zero byte: only the folders of files taken out,
    // whose whole paths the request holds already.
    std::unordered_map<std::string, std::string> held;
    FileList kept;
    std::size_t taken = 0;
    UncheckedFiles isUnchecked(unchecked);
    FolderPath folder;
    for (FileEntry& file : found.files) {
        if (!isUnchecked.contains(file)) {
            kept.push_back(std::move(file));
            continue;
        }
        held[folder.of(file.folderText)].append(file.name.view()).push_back('\0');
        ++taken;
    }
    // A folder the search saw whole: the plan takes the names from here and not from the disk,
    // so the files left alone must be among them. Any other folder is listed again by the plan.
    for (FolderNames& listing : found.listings) {
        if (held.empty()) break;
        if (const auto names = held.find(folder.of(listing.folder)); names != held.end())
            listing.names += names->second;
    }
    found.files = std::move(kept);
    return taken;
}

std::string intoFolderOf(const RenameRequest& request, const RuleList& rules) {
    if (!movesIntoFolders(rules)) return {};
    std::string into = request.into;
    for (const Rule& rule : rules) {
        if (!into.empty()) break;
        if (rule.type == ID3 && (rule.option & Id3Folders)) into = rule.id3Into();
    }
    // A folder named in a filter file is taken from the chosen folder when it is not a whole path.
    if (!into.empty() && !platform::isAbsolutePath(into)) into = platform::withSeparator(request.folder) + into;
    return into;
}

std::string intoProblem(const RenameRequest& request) {
    const std::string into = intoFolderOf(request, request.rules);
    if (into.empty()) return {};
    const std::string shown = platform::quotedName(into);
    if (!platform::isFolder(into)) return "The folder to move into, " + shown + ", does not exist.";
    const auto target = platform::entryId(platform::fullPath(into));
    const auto from = platform::entryId(platform::fullPath(request.folder));
    if (target && from && target->volume != from->volume) {
        return "The folder to move into, " + shown +
               ", is on another volume: a move there would copy every file. Choose a folder on the same volume.";
    }
    return {};
}

namespace {

std::unique_ptr<RenameRun> makeRun(AppContext& context, const RenameRequest& request, const RuleList& rules,
                                   FoundFiles found, std::size_t unchecked, Reporter& reporter) {
    RunOptions options = context.runOptions(request.undo);
    // An unattended run orders its moves; confirming goes file by file.
    options.solveOrder = !request.confirm;
    options.shortenNames = request.shorten;
    if (movesIntoFolders(rules)) {
        options.runFolder = platform::withSeparator(platform::fullPath(request.folder));
        const std::string into = intoFolderOf(request, rules);
        options.intoFolder = into.empty() ? options.runFolder : platform::withSeparator(platform::fullPath(into));
        options.companions = request.companions;
    }
    options.tagOrder = request.order == AlbumOrder::Tags;
    auto run = std::make_unique<RenameRun>(&context.plugins(), rules, std::move(found.files), options, context.paths(),
                                           reporter);
    run->noteUnlistedFolders(std::move(found.unlisted));
    run->noteLeftOut(std::move(found.leftOut));
    run->noteListings(std::move(found.listings));
    run->noteUnchecked(unchecked);
    return run;
}

}  // namespace

std::unique_ptr<RenameRun> previewFoundFiles(AppContext& context, const RenameRequest& request, FoundFiles found,
                                             Reporter& reporter) {
    const std::size_t unchecked = takeOutUnchecked(found, request.unchecked);
    if (found.files.empty() && found.leftOut.files.empty() && unchecked == 0) return nullptr;
    return makeRun(context, request, request.rules, std::move(found), unchecked, reporter);
}

PreparedRename prepareRename(AppContext& context, RenameRequest request, Reporter& reporter) {
    PreparedRename prepared;
    const auto refuse = [&](PreparedRename::Refusal refusal, std::string why) {
        prepared.refusal = refusal;
        prepared.why = std::move(why);
        prepared.run.reset();
        return std::move(prepared);
    };
    const auto status = platform::fileStatus(request.folder);
    if (!status || !(status->attributes & platform::AttrDirectory))
        return refuse(PreparedRename::Refusal::NoFolder, {});
    if (std::string why = intoProblem(request); !why.empty()) return refuse(PreparedRename::Refusal::IntoUnusable, why);
    const AppPaths& paths = context.paths();
    const bool undo = request.undo;
    if (undo && !request.preview) {
        // Before anything is touched: the undo folder must take a file, not merely the data folder
        // (a file, a dangling link or a read-only folder named undo would stop the run later).
        std::string why;
        if (!paths.dataWritable) why = paths.problem;
        if (why.empty() && !paths.prepareUndoFolder(why) && why.empty()) why = "it cannot be written";
        if (!paths.dataWritable || !why.empty()) return refuse(PreparedRename::Refusal::UndoFolderUnusable, why);
    }
    const RuleList rules = std::move(request.rules);
    // Finds the files and makes the run; false when nothing matches.
    const auto makeRun = [&] {
        FoundFiles found = findRequestFiles(context, request);
        prepared.unlisted = found.unlisted;
        prepared.leftOut = found.leftOut.size();
        prepared.unchecked = takeOutUnchecked(found, request.unchecked);
        if (found.files.empty() && (found.leftOut.files.empty() || !request.preview)) return false;
        prepared.run = core::makeRun(context, request, rules, std::move(found), prepared.unchecked, reporter);
        return true;
    };
    if (!makeRun()) return refuse(PreparedRename::Refusal::NoFiles, {});
    if (request.preview) return prepared;
    // Another run or undo in one of these folders could move a file between a record and its
    // move. A run that had to wait for one finds its files again: that one may have renamed them.
    if (prepared.run->claimFolders(std::chrono::milliseconds(0)).empty()) return prepared;
    if (std::string busy = prepared.run->claimFolders(); !busy.empty()) {
        return refuse(PreparedRename::Refusal::FoldersBusy, std::move(busy));
    }
    prepared.run.reset();  // its locks with it
    if (!makeRun()) return refuse(PreparedRename::Refusal::NoFiles, {});
    if (std::string busy = prepared.run->claimFolders(); !busy.empty()) {
        return refuse(PreparedRename::Refusal::FoldersBusy, std::move(busy));
    }
    return prepared;
}

}  // namespace core
