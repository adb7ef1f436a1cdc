// The bytes of a run's journal: every move is written to it before it is made, so that whatever
// ends the run (a kill, a crash, a closed terminal) the undo record survives.
//
// Layout, all integers little-endian:
//   header   "CWJOURNL", version (u32, 2; 1 is still read), start time (i64, seconds), CRC-32 of
//            those 20 bytes
//   filters  the run's Rule section, exactly as an undo database holds it (no stamp)
//   records  length n (u32), type (u8), n payload bytes, CRC-32 of length, type and payload
//            'F' folder: the folder of the moves that follow, ending with its separator (empty
//                        before the first)
//            'V' move:   the moved file's volume (u64) and index (u64), old name's length (u32),
//                        old name, new name
//            'B' move:   the same with the file's birth stamp (u64) after its index, where the file
//                        system gives one
//            'M' move:   the same without the identity (version 1 journals)
// Records are appended one write at a time; the first record that is cut short or damaged ends
// the journal, so a record torn by a kill or a power cut costs only itself.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/undo/undo_database.h"
#include "platform/files.h"

namespace core {

struct JournalContent {
    std::time_t started = 0;
    std::string ruleSection;
    std::vector<UndoEntry> moves;  // the moves the run meant to make, in order
};

// The content of a journal's bytes, as far as they are whole. Nothing when the header or the Rule
// section is incomplete or damaged: such a run had not begun to rename.
std::optional<JournalContent> parseJournal(std::string_view bytes);

// A journal's header and Rule section, and where its records start; nothing when they are not
// whole.
struct JournalHead {
    std::time_t started;
    std::string_view ruleSection;
    std::size_t recordsAt;
};
std::optional<JournalHead> parseJournalHead(std::string_view bytes);

// The bytes of a journal's header.
std::string formatJournalHeader(std::time_t started);
// Appends the record(s) of one move: a folder record first when `folder` differs from
// `currentFolder` (empty at the start of the records), which then becomes `folder`. Without an
// identity the move is written as a version 1 journal did (tests of old journals).
void appendJournalMove(std::string& bytes, std::string& currentFolder, const std::string& folder,
                       const std::string& oldName, const std::string& newName,
                       const std::optional<platform::FileId>& id);

// The record framing of the journals, for the undo's journal too: appends one record of `type`.
void appendJournalRecord(std::string& bytes, char type, std::string_view payload);
// Calls each(type, payload) for every whole record from `at` on, up to the first that is cut
// short or damaged, or for which `each` returns false. Returns where it stopped; `damaged` tells
// that it stopped at a record no further bytes could complete.
std::size_t forEachJournalRecord(std::string_view bytes, std::size_t at, bool& damaged,
                                 const std::function<bool(char type, std::string_view payload)>& each);

// Calls move(folder, oldName, newName, id) for every whole move record from `at` on, in order, up
// to the first record that is cut short, damaged or unknown. `folder` carries the folder of the
// moves from one piece of a journal to the next. Returns where it stopped; `damaged` tells that
// it stopped at a record no further bytes could complete.
using JournalMove = std::function<void(std::string_view folder, std::string_view oldName, std::string_view newName,
                                       const std::optional<platform::FileId>& id)>;
std::size_t forEachJournalMove(std::string_view bytes, std::size_t at, std::string& folder, bool& damaged,
                               const JournalMove& move);

}  // namespace core
