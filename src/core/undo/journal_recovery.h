// Recovery of the journals left by runs that died: each becomes an ordinary undo database with its
// index entry, holding the moves that really happened, so that the run can be undone like any
// other. Both front ends recover at every start, and before the list of runs is shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/app/app_paths.h"
#include "core/undo/undo_database.h"

namespace core {

inline constexpr const char* kInterruptedSuffix = " (interrupted)";

struct JournalRecovery {
    std::vector<std::string> recovered;  // the names of the databases registered
    std::vector<std::string> problems;   // one line per journal that could not be recovered
};

// Recovers every journal in the undo folder whose lock can be had (a run in progress, in this
// process or another, holds its own). The database gets the journal's name and the description of
// a run started when the journal was ("3/7/99 9:05:02 - 14 file(s) renamed.") with
// kInterruptedSuffix; a journal without any move that happened is simply deleted. A journal that
// cannot be recovered now (a full disk, an index that is not acceptable) stays for the next time
// and is named in `problems`. Registering follows the undo limit as a finished run does.
JournalRecovery recoverJournals(const AppPaths& paths, bool limitUndo, std::int32_t undoLimit);

// The moves of a journal that happened, in order. Each is judged on the disk as it would have
// been right after the move, by walking back from the last move: a move happened when its new name
// exists and its old one does not (a change of letter case only, when the folder lists the new
// spelling and not the old one). Moves that could leave their folder are never kept.
std::vector<UndoEntry> movesThatHappened(const std::vector<UndoEntry>& moves);

}  // namespace core
