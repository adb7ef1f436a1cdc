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
    const auto counted = [&](std::size_t count, const char* one, const char* many) {
        if (count) text += ", " + std::to_string(count) + " " + (count == 1 ? one : many);
    };
    counted(result.companions, "companion moved along", "companions moved along");
    counted(result.foldersMade, "folder made", "folders made");
    counted(result.foldersRemoved, "emptied folder removed", "emptied folders removed");
    if (result.skipped) text += ", " + std::to_string(result.skipped) + " skipped";
    if (result.notReached) text += ", " + std::to_string(result.notReached) + " not reached (the run was cancelled)";
    if (result.leftOut) text += ", " + std::to_string(result.leftOut) + " left out (read-only, hidden or system)";
    if (result.unchecked) text += ", " + std::to_string(result.unchecked) + " unchecked (left as they are)";
    return text;
}

RunResult RenameRun::result() const {
    RunResult result = result_;
    if (started_) result.elapsedSeconds = (ended_ ? *ended_ : platform::now()) - *started_;
    return result;
}

void RunResult::writeSummary(const std::function<void(std::string_view)>& write) const {
    if (!anyFailure()) {
        write(formatString(IDS_RENAME_DONE, {runCountsText(*this)}));
        return;
    }
    // The text around the list, from the string table, with a mark where the list goes: no text
    // of the table nor any count holds a control character.
    const std::string around = formatString(IDS_RENAME_DONE_WITH_FAILURES, {std::string("\x01"), runCountsText(*this)});
    const std::size_t at = std::min(around.find('\x01'), around.size());
    write(std::string_view(around).substr(0, at));
    std::string line;
    for (const RunFailure& failure : failures) {
        // Each failure on a line of its own, with why: a reason of several lines is joined.
        std::string reason = failure.reason;
        std::replace_if(
            reason.begin(), reason.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        line = formatText("- \"%s\": %s\r\n", {platform::displayName(failure.path()), reason});
        write(line);
    }
    write(folderProblemLines(unlistedFolders));
    if (at < around.size()) write(std::string_view(around).substr(at + 1));
}

std::string RunResult::summaryText() const {
    std::string text;
    writeSummary([&](std::string_view piece) { text += piece; });
    return text;
}

}  // namespace core
