// What persists from one run of the program to the next, in braxen.ini in the settings folder
// that AppPaths chooses (beside the program when portable, else the user's or a named folder).
// A transfer record: filled by Load at start-up, read by the main dialog, and filled again by the
// main dialog for Save at close.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/base/app_paths.h"

namespace core {

// The undo limit a stored value stands for: 1 to 1,000,000 as it is; anything else (0, a negative
// number, 4294967295 from a file edited by hand) is the default 50, never a limit that would wipe
// the history.
std::int32_t effectiveUndoLimit(std::int64_t value);

// The small words Title Case keeps in lower case unless one is first or last: what settings
// without a list of their own hold.
inline constexpr const char* kDefaultSmallWords = "a an the and or of in on at to for by vs feat";

struct Settings {
    std::array<std::string, 10> path;  // recent folders, most recent first
    std::string mask;                  // the file pattern, up to kMaxPatternLength UTF-16 units
    std::string pluginsdir;
    std::string lastdir;
    int confirm = 0;
    int recurse = 0;
    int undo = 0;
    int regfiletype = 0;
    int limitUndo = 0;
    std::int32_t undoLimit = 0;
    // Title Case's small words, space-separated, for new filters: the dialog's list last
    // confirmed, and the command line's. A file without the key holds kDefaultSmallWords.
    std::string smallWords = kDefaultSmallWords;
    // The window's runs cut new names too long for their folder to fit (RunOptions::shortenNames).
    // Off unless the file says 1: files of older copies have no such key.
    int shortenNames = 0;
    // The window's runs order each folder's files by their disc and track tags (AlbumOrder::Tags)
    // rather than by name. Off unless the file says 1: files of older copies have no such key.
    int tagOrder = 0;
    // What goes along with an album's files into folders made from their tags: a file's own
    // companions by extension, and the folder's own files by pattern, ";" between. Files without
    // the keys hold these defaults; a key present and empty takes nothing along.
    static constexpr const char* kDefaultCompanionExtensions = "lrc;cue;txt;log;jpg;jpeg;png;nfo";
    static constexpr const char* kDefaultFolderFiles =
        "cover.*;folder.*;front.*;back.*;*.cue;*.log;*.m3u;*.m3u8;scans;artwork";
    std::string companionExtensions = kDefaultCompanionExtensions;
    std::string folderFiles = kDefaultFolderFiles;

    static constexpr std::int32_t kDefaultUndoLimit = 50;
    static constexpr std::int32_t kMaxUndoLimit = 1000000;
    // The longest pattern the main window takes and the settings keep, in UTF-16 units as the
    // window counts them: room for every pattern the window offers and many more.
    static constexpr std::size_t kMaxPatternLength = 259;

    // Never fails: what is missing or unreadable takes its default (flags on, limit 50).
    void Load(const AppPaths& paths);
    // Never fails; a write that does not succeed leaves the old file as it was.
    void Save(const AppPaths& paths) const;
};

}  // namespace core
