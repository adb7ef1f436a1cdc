// The bytes of a run's journal: every move is written to it before it is made, so that whatever
// ends the run (a kill, a crash, a closed terminal) the undo record survives.
//
// Layout, all integers little-endian:
//   header   "CWJOURNL", version (u32, 3; 1 and 2 are still read), start time (i64, seconds),
//            CRC-32 of those 20 bytes
//   filters  the run's Rule section, exactly as an undo database holds it (no stamp)
//   records  length n (u32), type (u8), n payload bytes, CRC-32 of length, type and payload
//            'F' folder: the folder of the moves that follow, ending with its separator (empty
//                        before the first)
//            'V' move:   the moved file's volume (u64) and index (u64), old name's length (u32),
//                        old name, new name
//            'B' move:   the same with the file's birth stamp (u64) after its index, where the file
//                        system gives one
//            'M' move:   the same without the identity (version 1 journals)
//            'I' move into another folder: the file's volume, index and birth stamp (u64 each, the
//                        stamp 0 where there is none), old name's length (u32), new folder's
//                        length (u32), old name, new folder (absolute, ending with its
//                        separator), new name
//            'D' folder made: the name of the folder about to be made in the current folder
//            'E' its identity, once made: the number of its 'D' step (u64), then the folder's
//                        volume, index and birth stamp (u64 each)
//            'R' folder removed: the empty folder's volume, index and birth stamp (u64 each), then
//                        its name in the current folder
// Every record but 'F' and 'E' is one step of the run, numbered from 0 in the order written: the
// run's record numbers. An 'E' may come after later steps (the step is recorded ahead, the folder
// made later on another thread); a folder made whose 'E' never came is never removed by undo.
// Version 3 is version 2 with the records 'I', 'D', 'E' and 'R': a program that knows only
// version 2 sets such a journal aside whole rather than recover the moves before the first record
// it does not know and drop the rest.
// Records are appended one write at a time; the first record that is cut short or damaged ends
// the journal, so a record torn by a kill or a power cut costs only itself.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/undo/undo_database.h"
#include "platform/files.h"

namespace core {

struct JournalContent {
    std::time_t started = 0;
    std::string ruleSection;
    // The steps the run meant to take, in order (each folder made with its identity when the
    // journal has it).
    std::vector<UndoEntry> moves;
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
// The same for a move into `newFolder`, a folder record first as for a move.
void appendJournalMoveInto(std::string& bytes, std::string& currentFolder, const std::string& folder,
                           const std::string& oldName, const std::string& newFolder, const std::string& newName,
                           const platform::FileId& id);
// The folder `name` about to be made in `folder`, and (appendJournalFolderIdentity) its identity
// once made, naming the step of its making.
void appendJournalFolderMade(std::string& bytes, std::string& currentFolder, const std::string& folder,
                             const std::string& name);
void appendJournalFolderIdentity(std::string& bytes, std::uint64_t step, const platform::FileId& id);
// The empty folder `name` in `folder`, about to be removed.
void appendJournalFolderRemoved(std::string& bytes, std::string& currentFolder, const std::string& folder,
                                const std::string& name, const platform::FileId& id);
// Whichever of those `entry` is, as step number `step` (a folder made with its identity, when it
// has one, right after it): tests, and the fuzz target's round trip.
void appendJournalEntry(std::string& bytes, std::string& currentFolder, const UndoEntry& entry, std::uint64_t step);

// The record framing of the journals, for the undo's journal too: appends one record of `type`.
void appendJournalRecord(std::string& bytes, char type, std::string_view payload);
// Calls each(type, payload) for every whole record from `at` on, up to the first that is cut
// short or damaged, or for which `each` returns false. Returns where it stopped; `damaged` tells
// that it stopped at a record no further bytes could complete.
std::size_t forEachJournalRecord(std::string_view bytes, std::size_t at, bool& damaged,
                                 const std::function<bool(char type, std::string_view payload)>& each);

// One step of a run as its journal records it. A folder made has no identity here: that comes in
// a record of its own, later.
struct JournalStep {
    UndoEntry::Kind kind = UndoEntry::Kind::Move;
    std::string_view folder, oldName, newName;
    std::string_view newFolder;  // a move into another folder: that one; else empty
    std::optional<platform::FileId> id;

    bool usesFolders() const { return UndoEntry::usesFolders(kind, newFolder); }

    UndoEntry entry() const {
        UndoEntry made{std::string(folder), std::string(newName), std::string(oldName), id};
        made.newFolder = std::string(newFolder);
        made.kind = kind;
        return made;
    }
};

// What reading a journal carries from one piece of it to the next.
struct JournalCursor {
    std::string folder;                                  // the current folder
    std::uint64_t steps = 0;                             // the steps read: the number of the next
    std::unordered_set<std::uint64_t> awaitingIdentity;  // the folders made whose identity has not come
};

// Calls step(number, step) for every whole step record from `at` on, in order, and
// folderIdentity(number, id) for every identity of a folder made, up to the first record that is
// cut short, damaged or unknown (an identity for a step that is no folder made awaiting one is not
// something this program writes). Returns where it stopped; `damaged` tells that it stopped at a
// record no further bytes could complete.
using JournalMove = std::function<void(std::uint64_t number, const JournalStep& step)>;
using JournalFolderIdentity = std::function<void(std::uint64_t number, const platform::FileId& id)>;
std::size_t forEachJournalMove(std::string_view bytes, std::size_t at, JournalCursor& cursor, bool& damaged,
                               const JournalMove& step, const JournalFolderIdentity& folderIdentity = {});

}  // namespace core
