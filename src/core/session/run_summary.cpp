// What a run tells at its end: the counts of files and the failures with their reasons, the same
// words in the Progress box, the Report and on the command line.
#include <algorithm>

#include "core/base/strings.h"
#include "core/session/rename_run.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace core {

std::string runCountsText(const RunResult& result) {
    std::string text =
        countsText(RunCounts{result.renamed, result.unchanged, result.failed() + result.unlistedFolders.size()});
    if (result.skipped) text += ", " + std::to_string(result.skipped) + " skipped";
    if (result.notReached) text += ", " + std::to_string(result.notReached) + " not reached (the run was cancelled)";
    if (result.leftOut) text += ", " + std::to_string(result.leftOut) + " left out (read-only, hidden or system)";
    if (result.unchecked) text += ", " + std::to_string(result.unchecked) + " unchecked (left as they are)";
    return text;
}

RunResult RenameRun::result() const {
    RunResult result = result_;
    if (started_) result.elapsedSeconds = (ended_ ? *ended_ : platform::now()) - *started_;
    if (!result.anyFailure()) {
        result.summaryText = formatString(IDS_RENAME_DONE, {runCountsText(result)});
    } else {
        std::string list;
        for (const RunFailure& failure : result.failures) {
            // Each failure on a line of its own, with why: a reason of several lines is joined.
            std::string reason = failure.reason;
            std::replace_if(
                reason.begin(), reason.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            list += formatText("- \"%s\": %s\r\n", {platform::displayName(failure.path()), reason});
        }
        list += folderProblemLines(result.unlistedFolders);
        result.summaryText = formatString(IDS_RENAME_DONE_WITH_FAILURES, {list, runCountsText(result)});
    }
    return result;
}

}  // namespace core
