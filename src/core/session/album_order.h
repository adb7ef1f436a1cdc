// The order a run takes its files in, the same for the preview, the live list and the run: by
// folder, each folder's sub-folders right after it, then by name as a person sorts names. Files
// found by several patterns ("*.mp3;*.flac") so come album by album, not type by type, and a
// counter restarted in each folder numbers an album's tracks in their order.
#pragma once

#include <string_view>

#include "core/session/find_files.h"

namespace core {

// Below 0, 0 or above 0, as `a` sorts before, with or after `b`: ASCII letters without regard to
// case, each run of digits by its value ("Track 2" before "Track 10"; of equal values, fewer
// leading zeros first), a path separator before any other character, other bytes by their value.
// Names equal but for case sort by their bytes, so no two names compare equal unless they are.
int naturalCompare(std::string_view a, std::string_view b);

// Sorts files (and the attributes that go with left-out files) into album order.
void sortInAlbumOrder(FileList& files);
void sortInAlbumOrder(LeftOutFiles& files);

}  // namespace core
