#include "core/app/rename_job.h"

#include <chrono>
#include <utility>

#include "core/app/app_context.h"
#include "core/base/reporter.h"
#include "core/session/run_options.h"
#include "platform/files.h"

namespace core {

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
        FileList files;
        LeftOutFiles leftOut;
        FolderListings listings;
        prepared.unlisted = findFiles(files, request.recurse, request.folder, request.patterns, paths.ownFolders(),
                                      &leftOut, &listings);
        prepared.leftOut = leftOut.size();
        if (files.empty() && (leftOut.files.empty() || !request.preview)) return false;
        RunOptions options = context.runOptions(undo);
        // An unattended run orders its moves; confirming goes file by file.
        options.solveOrder = !request.confirm;
        prepared.run =
            std::make_unique<RenameRun>(&context.plugins(), rules, std::move(files), options, paths, reporter);
        prepared.run->noteUnlistedFolders(prepared.unlisted);
        prepared.run->noteLeftOut(std::move(leftOut));
        prepared.run->noteListings(std::move(listings));
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
