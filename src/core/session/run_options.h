// How a run goes: whether it records undo, how many undo databases stay, and how its moves are
// ordered. Every front end fills one and hands it to the run.
#pragma once

#include <cstdint>
#include <string>

namespace core {

struct RunOptions {
    bool undo = false;       // record the run in an undo database
    bool limitUndo = false;  // keep at most undoLimit databases, dropping the oldest
    std::int32_t undoLimit = 50;
    // A file whose name would not change is left alone: not moved, not recorded, counted as
    // unchanged. A stepping run does not ask about it either.
    bool leaveUnchanged = false;
    // A one-pass run orders its moves so that a name held by another file of the run is free when
    // its move comes: that file moves first, and a ring of them (a swap) goes through a temporary
    // name in its folder. Its preview says so. The Confirmation dialog asks file by file instead.
    bool solveOrder = false;
    // A new name too long for its folder is cut to fit (shortenToFit in name_check.h) and the
    // preview says "ok (shortened)"; without it such a name is invalid (too long).
    bool shortenNames = false;
    // A run whose filters move files into folders (movesIntoFolders): the folder those are made
    // under (the chosen folder, or another one the user named) and the chosen folder, above which
    // no emptied folder is removed, both ending with the separator. A run without them moves no
    // file out of its folder.
    std::string intoFolder{};
    std::string runFolder{};
    // The album's other files go along with its files (folder_targets.h): a file's own companions
    // by these extensions, and the folder's own files by these patterns.
    bool companions = true;
    std::string companionExtensions{};
    std::string folderFiles{};
    // The files come in the order of their disc and track tags (AlbumOrder::Tags): the run reads
    // the tags of its files even without a filter that does, and its preview notes two files of
    // an album with the same disc and track.
    bool tagOrder = false;
};

}  // namespace core
