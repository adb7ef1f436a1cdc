// Writing an undo database to the undo folder: it appears under its name only when whole, and
// never over another run's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/app_paths.h"
#include "core/undo/undo_database.h"

namespace core {

// Writes `entries` and `ruleSection` as database `name` in the undo folder: to name + ".tmp",
// synced, then renamed to `name` (never over an existing file). A failure removes the temporary
// file and raises the platform's file error.
void writeDatabaseAs(const AppPaths& paths, const std::string& name, const std::vector<UndoEntry>& entries,
                     std::string_view ruleSection);

// Writes the moves of the journal at `journal` that were made (made[i] for its i-th move record)
// as database `name`, the same way, laid out straight from the journal a piece at a time: a run
// of a million files never has the whole journal, or a list of its entries, in memory.
// `recordsAt` is where the journal's records start. `known`, when given, is how many entries
// there are and the bytes they take, which spares a first pass over the journal to learn them
// (should the journal say otherwise, it is read twice after all). Returns how many entries were
// written. Raises the platform's file error, invalidFile when the journal's head is not the one
// written.
struct MadeEntries {
    std::size_t count;
    std::uint64_t bytes;
};
std::size_t writeDatabaseFromJournal(const AppPaths& paths, const std::string& name, const std::string& journal,
                                     std::uint64_t recordsAt, const std::vector<bool>& made,
                                     std::optional<MadeEntries> known = std::nullopt);

}  // namespace core
