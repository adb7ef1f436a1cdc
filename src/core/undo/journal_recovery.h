// Recovery of the journals left by runs that died: each becomes an ordinary undo database with its
// index entry, holding the moves that really happened, so that the run can be undone like any
// other. Both front ends recover at every start, and before the list of runs is shown.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/base/app_paths.h"
#include "core/undo/undo_database.h"

namespace core {

inline constexpr const char* kInterruptedSuffix = " (interrupted)";

inline constexpr const char* kSetAsideExtension = ".bad";

// Moves a file of ours that must not be used aside under a name no reader takes, never over
// another: the first free of NAME.bad, NAME.bad2, ... Returns the new path. Raises the platform's
// file error.
std::string setAside(const std::string& path);

// A journal kept as it is because a folder of its moves cannot be reached now (a drive that is
// not there, a share not connected): it is recovered once the folder is back.
struct WaitingJournal {
    std::string name;    // its database name
    std::string folder;  // the first folder that cannot be reached
    std::time_t started = 0;
    std::size_t moves = 0;  // moves recorded, made or not
    // The folder is there, but none of the files the run moved is at either of its names: a drive
    // away from its mount point, or mounted again under another device, shows them so.
    bool filesAway = false;
};

// How a waiting journal is listed with the runs: "3/7/99 9:05:02 - 14 rename(s) recorded.
// (interrupted; folder not reachable: FOLDER)", or "(interrupted; its files are not where it left
// them: FOLDER)".
std::string waitingDescription(const WaitingJournal& journal);
// Deletes a waiting journal, as the user asked: its files stay where they are, without a record.
// Raises the platform's file error.
void deleteWaitingJournal(const AppPaths& paths, const WaitingJournal& journal);

struct JournalRecovery {
    std::vector<std::string> recovered;  // the names of the databases registered
    std::vector<std::string> problems;   // one line per journal that could not be recovered
    std::vector<WaitingJournal> waiting;
    // One line per journal or database that was damaged or could move files out of their folder:
    // each is set aside under its name + kSetAsideExtension, never deleted, and told once.
    std::vector<std::string> setAside;
    // The databases whose killed undo had brought every file back (settleInterruptedUndos).
    std::vector<std::pair<std::string, std::size_t>> undosFinished;
};

// Recovers every journal in the undo folder whose lock can be had (a run in progress, in this
// process or another, holds its own). The database gets the journal's name and the description of
// a run started when the journal was ("3/7/99 9:05:02 - 14 file(s) renamed.") with
// kInterruptedSuffix; a journal without any move that happened is deleted. A journal that cannot
// be recovered now (a full disk, an index that is not acceptable) stays for the next time and is
// named in `problems`; one whose folder cannot be reached stays and is named in `waiting`; one
// that is damaged or crafted is set aside. Registering follows the undo limit as a finished run
// does.
JournalRecovery recoverJournals(const AppPaths& paths, bool limitUndo, std::int32_t undoLimit);

// The moves of a journal that happened, in order. Each is judged on the disk as it would have
// been right after the move, by walking back from the last move: a move happened when the file at
// its new name is the file it moved (for moves recorded without an identity: when anything is
// there) and its old name is free (a change of letter case only, when the folder lists the new
// spelling and not the old one). A folder made happened when its identity was recorded and that
// folder is at its name; a folder removed, when nothing is at its name. Entries that could leave
// their folders are never kept.
std::vector<UndoEntry> movesThatHappened(const std::vector<UndoEntry>& moves);

}  // namespace core
